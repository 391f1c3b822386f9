// The locking protocol Clipper-kind programs (the DBFNTX driver and the
// engines compatible with it) follow on shared .dbf and .ntx files, and the
// reader's side of it that Marklift takes on another program's tables.
//
// The offsets are those of the CA-Clipper 5.2 Drivers Guide and of the
// locking notes of the DBFNTX-compatible engines. Writers in shared mode
// lock single bytes at fixed offsets far past the end of any real file;
// nothing is ever written there, the bytes are semaphores. All of a
// writer's locks are exclusive. A reader that locks the same bytes
// shared (an fcntl read lock, LockFileEx without the exclusive flag) cannot
// get them while a writer holds one, and holds a writer up only for as long
// as it reads.
//
// DATA FILE (.dbf)
//
//   Offset             Size           Held exclusively by a writer while
//   -----------------  -------------  ------------------------------------
//   1,000,000,000      1              it appends (APPEND BLANK) or rewrites
//                                     the header: the record count and the
//                                     new record's place change together
//   1,000,000,000 + n  1              record n is locked (RLOCK); after
//                                     APPEND BLANK the new record stays
//                                     locked until its fields are written
//   1,000,000,000      1,000,000,000  the whole table is locked (FLOCK),
//                                     which covers both of the above
//
// Default: the offsets above, the standard scheme of Clipper's DBFNTX driver,
// which a Clipper program uses unless it was linked with NTXLOCK2.OBJ, and
// the default of the later DBFNTX-compatible engines (Harbour calls it
// DB_DBFLOCK_CLIPPER). ZOLT's tables are of that kind: .dbf files with .ntx
// indexes of signature 6, without the bit that would mark another scheme.
// The other scheme (NTXLOCK2, Harbour's DB_DBFLOCK_CLIPPER2) moves the base
// to 4,000,000,000 with a FLOCK of 294,967,295 bytes; a writer in that
// scheme would not see these locks.
//
// INDEX FILE (.ntx)
//
//   Offset         Size  Meaning
//   -------------  ----  -------------------------------------------------
//   1,000,000,000  1     The index lock, the same in both schemes. A writer
//                        holds it exclusively from the first page it
//                        changes until it has raised the update counter;
//                        Clipper's own readers hold it while they read.
//   0xFFFFFFFF     1     The index lock of an index whose signature has bit
//                        0x10 set: CA-Clipper 5.2 moved the lock there for
//                        indexes near a gigabyte ("new lock offset") and
//                        marks such files so. Other engines treat the bit
//                        as the NTXLOCK2 scheme and keep 1,000,000,000, so
//                        a reader locks both.
//   2 (header)     2     The update counter (see ntx_format.h): every update
//                        raises it, so a reader that sees it move knows the
//                        pages it read may be a mixture.
//
// READER'S SIDE (a table of another program opened read-only)
//
// 1. Opening the .dbf: the header byte is locked shared, the header and its
//    record count are read, and records at the end of the table whose record
//    lock is held are left out: they were appended and are still being
//    filled. The lock is then given up. The count stays fixed while the table
//    is open, so a record appended later is wholly out and one counted is
//    wholly in.
// 2. Opening an .ntx on it: the index lock is locked shared, the counter
//    read, the whole B-tree read into memory, the counter read again; when
//    it moved (a writer that does not lock), everything is read again. Keys
//    of records past the table's count are left out. The lock is then given
//    up.
// 3. A lock not had within shareLockWait() is the "in use" condition of
//    opening: EXbaseError(OpenFailed) naming the file, which OpenWithRetry
//    waits out and asks about. Writers hold these locks for milliseconds, so
//    only a program that holds the table for itself waits that long.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "platform/file.h"

namespace marklift {

inline constexpr std::uint64_t kDbfLockBase = 1'000'000'000;
inline constexpr std::uint64_t kDbfHeaderLockOffset = kDbfLockBase;
inline constexpr std::uint64_t kNtxLockOffset = 1'000'000'000;
inline constexpr std::uint64_t kNtxNewLockOffset = 0xFFFFFFFF;

inline std::uint64_t dbfRecordLockOffset(std::uint32_t recno) {
    return kDbfLockBase + recno;
}

// The index lock's bytes for an index with this signature word.
std::vector<std::uint64_t> ntxLockOffsets(std::uint16_t signature);

// How long a reader waits for a lock before the file counts as in use.
// One second by default; tests shorten it.
std::chrono::milliseconds shareLockWait();
void setShareLockWait(std::chrono::milliseconds wait);

// Shared locks on single bytes of `file`, all of them or none: while one is
// held by another, those already taken are given up again so that no writer
// waits on a reader that waits on it. Waits up to shareLockWait(), then
// throws EXbaseError(OpenFailed) "<file> is in use by another program".
// Released when the object goes.
class SharedByteLocks {
public:
    SharedByteLocks(File& file, std::vector<std::uint64_t> offsets);
    ~SharedByteLocks();
    SharedByteLocks(const SharedByteLocks&) = delete;
    SharedByteLocks& operator=(const SharedByteLocks&) = delete;

private:
    bool tryAll();
    void releaseFirst(std::size_t count) noexcept;

    File& file_;
    std::vector<std::uint64_t> offsets_;
};

// The records of a .dbf whose header says `count`, less those at the end
// whose record lock another program holds. Call with the header lock held,
// so that no append starts meanwhile.
std::uint32_t settledRecordCount(File& file, std::uint32_t count);

}  // namespace marklift
