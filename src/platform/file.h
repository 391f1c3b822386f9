// A file opened for positioned reads and writes, with an optional
// operating-system lock held for as long as the object lives, and the
// byte-range locks by which programs sharing a file take turns. The only
// place in the program that talks to the file system's read/write/lock
// calls: file_posix.cpp and file_lock_posix.cpp, or file_windows.cpp and
// file_lock_windows.cpp, implement it; the build takes one pair.
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
    // On Windows these are share modes, so they hold against every opener:
    // None lets others read, write and delete; Shared lets them read and
    // write; Exclusive lets nobody in, not even an opener without a lock.
    enum class Lock { None, Shared, Exclusive };
    // IfMissing creates an absent file and keeps an existing one as it is.
    // Scratch creates a new file (refusing a name already taken) that the
    // system removes once it is closed, or the program ends however it
    // ends: room for work too large to hold in memory.
    enum class Create { MustExist, Truncate, IfMissing, Scratch };

    // Opens `path` (a native path, UTF-8). Throws PlatformError when the file
    // cannot be opened, FileInUseError when another program holds it or the
    // lock cannot be had at once (it never waits); its text is "<path> is in
    // use by another program" on every system.
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
    // usually at offsets far past the end of the file, and seen by every
    // process that locks bytes of the same file (fcntl open-file-description
    // locks on POSIX, advisory; LockFileEx on Windows, which also refuses
    // reads and writes of the locked bytes to others). A lock belongs to
    // this File: a lock taken through another File of the same file, in this
    // process or another, conflicts with it as another program's would. A
    // File does not turn a lock of its own into the other kind (Windows
    // cannot): it gives it up first. Both calls return at once; `length` is
    // at least 1.
    enum class RangeLock { Shared, Exclusive };
    // True when the bytes are now locked; false when another holder's lock
    // is in the way. Exclusive needs ReadWrite access. Throws PlatformError
    // for any other refusal.
    bool tryLockRange(std::uint64_t offset, std::uint64_t length, RangeLock kind);
    // Gives up a lock taken with exactly this offset and length. Closing the
    // File gives up all of its locks.
    void unlockRange(std::uint64_t offset, std::uint64_t length);

private:
    // A POSIX file descriptor or a Windows HANDLE, both of which fit; -1 is
    // no file on both (INVALID_HANDLE_VALUE on Windows).
    using Handle = std::intptr_t;
    static constexpr Handle kNoHandle = -1;

    void close() noexcept;

    std::string path_;
    Access access_ = Access::ReadOnly;
    Handle handle_ = kNoHandle;
};

// Adds `bytes` at the end of the file at `path` (a native path), creating it
// when missing. One call's bytes land together even when another process
// appends to the same file at the same time. Throws PlatformError.
void appendToFile(const std::string& path, std::string_view bytes);

}  // namespace marklift
