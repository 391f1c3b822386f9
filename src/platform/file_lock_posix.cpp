// File's byte-range locks on POSIX: fcntl locks owned by the open file
// description (F_OFD_SETLK). Other xBase programs on Linux lock with fcntl
// too, and fcntl locks of either kind see each other; flock locks do not.
// Owned by the description rather than the process, a lock survives the
// closing of another descriptor of the same file, and two Files in one
// process exclude each other as two processes do.
#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/file.h"

namespace marklift {
namespace {

flock rangeOf(short type, std::uint64_t offset, std::uint64_t length, const std::string& path) {
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
    if (length == 0 || offset > kMax || length > kMax - offset)
        throw PlatformError("Cannot lock " + std::to_string(length) + " bytes at offset " +
                            std::to_string(offset) + " of " + path);
    flock range{};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(offset);
    range.l_len = static_cast<off_t>(length);
    range.l_pid = 0;  // required for open-file-description locks
    return range;
}

int setLock(int fd, flock& range) {
    int result;
    do {
        result = ::fcntl(fd, F_OFD_SETLK, &range);
    } while (result != 0 && errno == EINTR);
    return result;
}

}  // namespace

bool File::tryLockRange(std::uint64_t offset, std::uint64_t length, RangeLock kind) {
    if (kind == RangeLock::Exclusive && access_ != Access::ReadWrite)
        throw PlatformError("Cannot lock " + path_ + " exclusively: it is open for reading only");
    flock range = rangeOf(kind == RangeLock::Exclusive ? F_WRLCK : F_RDLCK, offset, length, path_);
    if (setLock(fd_, range) == 0) return true;
    if (errno == EAGAIN || errno == EACCES) return false;
    throw PlatformError("Cannot lock " + path_ + ": " + std::strerror(errno));
}

void File::unlockRange(std::uint64_t offset, std::uint64_t length) {
    flock range = rangeOf(F_UNLCK, offset, length, path_);
    if (setLock(fd_, range) != 0)
        throw PlatformError("Cannot unlock " + path_ + ": " + std::strerror(errno));
}

}  // namespace marklift
