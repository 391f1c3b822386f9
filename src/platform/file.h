// A file opened for positioned reads and writes, with an optional
// operating-system lock held for as long as the object lives, and the
// byte-range locks by which programs sharing a file take turns. The only
// place in the program that talks to the file system's read/write/lock calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace marklift {

// Thrown by the platform layer; carries the operating system's reason.
class PlatformError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The lock a File asked for is held by another opener.
class FileInUseError : public PlatformError {
public:
    using PlatformError::PlatformError;
};

class File {
public:
    enum class Access { ReadOnly, ReadWrite };
    // Shared: other Shared openers welcome, Exclusive ones kept out.
    // Exclusive: nobody else, not even another File of this process.
    enum class Lock { None, Shared, Exclusive };
    enum class Create { MustExist, Truncate };

    // Opens `path` (a native path). Throws PlatformError when the file cannot
    // be opened, FileInUseError when the lock cannot be had at once (it
    // never waits).
    File(const std::string& path, Access access, Lock lock, Create create = Create::MustExist);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;

    const std::string& path() const { return path_; }
    bool writable() const { return access_ == Access::ReadWrite; }

    std::uint64_t size() const;
    // Reads up to `count` bytes at `offset`; returns how many were read
    // (fewer only at the end of the file).
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) const;
    // Reads exactly `count` bytes or throws.
    void readExactly(std::uint64_t offset, void* buffer, std::size_t count) const;
    void writeAt(std::uint64_t offset, const void* buffer, std::size_t count);
    void truncate(std::uint64_t size);
    // Pushes written bytes to the disk.
    void sync();

    // Byte-range locks, the way xBase programs sharing a table take turns:
    // advisory, usually at offsets far past the end of the file, and seen by
    // every process that locks bytes of the same file (fcntl open-file-
    // description locks on POSIX, LockFileEx on Windows). A lock belongs to
    // this File: a lock taken through another File of the same file, in this
    // process or another, conflicts with it as another program's would. Both
    // calls return at once; `length` is at least 1.
    enum class RangeLock { Shared, Exclusive };
    // True when the bytes are now locked; false when another holder's lock
    // is in the way. Exclusive needs ReadWrite access. Throws PlatformError
    // for any other refusal.
    bool tryLockRange(std::uint64_t offset, std::uint64_t length, RangeLock kind);
    // Gives up a lock taken with exactly this offset and length. Closing the
    // File gives up all of its locks.
    void unlockRange(std::uint64_t offset, std::uint64_t length);

private:
    void close() noexcept;

    std::string path_;
    Access access_ = Access::ReadOnly;
    int fd_ = -1;
};

// Adds `bytes` at the end of the file at `path` (a native path), creating it
// when missing. One call's bytes land together even when another process
// appends to the same file at the same time. Throws PlatformError.
void appendToFile(const std::string& path, std::string_view bytes);

}  // namespace marklift
