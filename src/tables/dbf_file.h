// A .dbf data file: its header, its field list and its records, read and
// written in place. Knows nothing of indexes or filters (see XbaseTable).
// The byte layout is documented at the top of dbf_format.h.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/file.h"
#include "tables/date.h"
#include "tables/field.h"

namespace marklift {

class DbfFile {
public:
    enum class Mode {
        ReadOnly,   // read-only access, shared lock: another program's table,
                    // read by the protocol of clipper_locks.h
        Shared,     // read-write access, shared lock
        Exclusive,  // read-write access, exclusive lock
    };

    // `nativePath` is a file-system path (see nativePath()). Throws
    // EXbaseError(OpenFailed) when the file cannot be opened or locked, and
    // EXbaseError(BadHeader) naming the file when its header or field list
    // cannot be trusted (counts, lengths and offsets checked against each
    // other and against the file's size). In ReadOnly mode the record count
    // is the one of clipper_locks.h's reader and stays fixed while open.
    DbfFile(const std::string& nativePath, Mode mode);
    // Flushes pending changes; errors at this point are swallowed, so call
    // flush() first where they matter.
    ~DbfFile();
    DbfFile(const DbfFile&) = delete;
    DbfFile& operator=(const DbfFile&) = delete;

    // What kind of table create() writes. Both have the version byte 0x03.
    enum class Kind {
        FoxPro,   // the structural index flag set, code page mark 0x01
        Clipper,  // neither: its indexes are separate .ntx files
    };

    // Creates an empty table, replacing any file of that name.
    static void create(const std::string& nativePath, const FieldList& fields,
                       Kind kind = Kind::FoxPro);

    const std::string& path() const;
    Mode mode() const;
    std::uint8_t version() const;
    Date lastUpdate() const;
    bool hasStructuralIndexFlag() const;
    const FieldList& fields() const;
    std::uint32_t recordLength() const;
    std::uint32_t recordCount() const;

    // Record numbers count from 1. The pointer stays valid until the next
    // call on this object. Throws for a record number outside 1..recordCount().
    // Records are read a block at a time and kept (up to a fixed amount of
    // memory), so in Shared mode another writer's later changes to a record
    // already read may not be seen.
    const char* record(std::uint32_t recno) const;
    // For a caller about to read many records in an order of its own: reads
    // the records of the first of `recnos` now, in file order, and holds
    // them until the next call or the next change to the table, so that
    // record() finds them without reading. Takes as many as a fixed amount of
    // memory holds, at least one, and returns how many it took; an empty
    // span lets go of the records held. Record numbers outside the table,
    // and records that cannot be read now, are left to record() to refuse.
    std::size_t readAhead(std::span<const std::uint32_t> recnos);
    // True when every change has reached the file: nothing appended or
    // changed waits in memory.
    bool settled() const;
    // Reads records [first, first + count) from the file itself, past the
    // cache, into `into`: threads may read at once. For a settled table
    // only; throws EXbaseError for records the file does not hold.
    void readStored(std::uint32_t first, std::uint32_t count, char* into) const;
    // Changes and appended records are held in memory and reach the file
    // when it is flushed or this object is destroyed (or earlier, when
    // memory runs short); until then other openers of the file do not see
    // them.
    void writeRecord(std::uint32_t recno, const char* bytes);
    // Returns the new record's number.
    std::uint32_t appendRecord(const char* bytes);
    bool isDeleted(std::uint32_t recno) const;
    void setDeleted(std::uint32_t recno, bool deleted);

    // Removes every record flagged deleted, keeping the others in order.
    // Requires Exclusive mode.
    void pack();

    // Writes buffered records, the record count, today's date as the update
    // date and the end-of-file mark (0x1A after the last record).
    void flush();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace marklift
