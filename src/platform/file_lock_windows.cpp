// File's byte-range locks on Windows: LockFileEx at the offsets the POSIX
// side locks with fcntl, which is what xBase programs on Windows lock. Such
// a lock belongs to the handle, so two Files in one process exclude each
// other as two processes do, and closing the handle gives its locks up.
// Windows enforces the locks on reads and writes of the locked bytes; the
// xBase offsets lie far past the end of any real file, where nothing is read.
#include <windows.h>

#include <limits>

#include "platform/file.h"
#include "platform/overlapped_windows.h"
#include "platform/wide_text_windows.h"

namespace marklift {
namespace {

void checkRange(std::uint64_t offset, std::uint64_t length, const std::string& path) {
    if (length == 0 || length > std::numeric_limits<std::uint64_t>::max() - offset)
        throw PlatformError("Cannot lock " + std::to_string(length) + " bytes at offset " +
                            std::to_string(offset) + " of " + path);
}

}  // namespace

bool File::tryLockRange(std::uint64_t offset, std::uint64_t length, RangeLock kind) {
    if (kind == RangeLock::Exclusive && access_ != Access::ReadWrite)
        throw PlatformError("Cannot lock " + path_ + " exclusively: it is open for reading only");
    checkRange(offset, length, path_);
    DWORD flags = LOCKFILE_FAIL_IMMEDIATELY;
    if (kind == RangeLock::Exclusive) flags |= LOCKFILE_EXCLUSIVE_LOCK;
    OVERLAPPED position = overlappedAt(offset);
    if (LockFileEx(reinterpret_cast<HANDLE>(handle_), flags, 0, static_cast<DWORD>(length),
                   static_cast<DWORD>(length >> 32), &position))
        return true;
    const DWORD error = GetLastError();
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) return false;
    throw PlatformError("Cannot lock " + path_ + ": " + systemMessage(error));
}

void File::unlockRange(std::uint64_t offset, std::uint64_t length) {
    checkRange(offset, length, path_);
    OVERLAPPED position = overlappedAt(offset);
    if (!UnlockFileEx(reinterpret_cast<HANDLE>(handle_), 0, static_cast<DWORD>(length),
                      static_cast<DWORD>(length >> 32), &position))
        throw PlatformError("Cannot unlock " + path_ + ": " + systemMessage(GetLastError()));
}

}  // namespace marklift
