#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file.h"

namespace marklift {
namespace {

std::string reason(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

int flagsFor(File::Access access, File::Create create) {
    int flags = access == File::Access::ReadOnly ? O_RDONLY : O_RDWR;
    switch (create) {
        case File::Create::MustExist:
            break;
        case File::Create::Truncate:
            flags |= O_CREAT | O_TRUNC;
            break;
        case File::Create::IfMissing:
            flags |= O_CREAT;
            break;
        case File::Create::Scratch:
            flags |= O_CREAT | O_EXCL;
            break;
    }
    return flags | O_CLOEXEC;
}

}  // namespace

File::File(const std::string& path, Access access, Lock lock, Create create)
    : path_(path), access_(access) {
    const int fd = ::open(path.c_str(), flagsFor(access, create), 0666);
    if (fd < 0) throw PlatformError(reason("Cannot open", path));
    handle_ = fd;
    // Without a name the file lives as long as the descriptor, and no crash
    // leaves it behind.
    if (create == Create::Scratch && ::unlink(path.c_str()) != 0) {
        const std::string message = reason("Cannot open", path);
        close();
        throw PlatformError(message);
    }
    // flock locks belong to the open file description, so two File objects in
    // one process exclude each other just as two processes do.
    if (lock != Lock::None) {
        int op = (lock == Lock::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
        if (::flock(fd, op) != 0) {
            const bool inUse = errno == EWOULDBLOCK;
            const std::string message =
                inUse ? path + " is in use by another program" : reason("Cannot lock", path);
            close();
            if (inUse) throw FileInUseError(message);
            throw PlatformError(message);
        }
    }
}

void File::close() noexcept {
    if (handle_ != kNoHandle) ::close(static_cast<int>(handle_));
    handle_ = kNoHandle;
}

std::uint64_t File::size() const {
    struct stat st {};
    if (::fstat(static_cast<int>(handle_), &st) != 0)
        throw PlatformError(reason("Cannot read the size of", path_));
    return static_cast<std::uint64_t>(st.st_size);
}

std::size_t File::readAt(std::uint64_t offset, void* buffer, std::size_t count) const {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = ::pread(static_cast<int>(handle_), out + done, count - done,
                            static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw PlatformError(reason("Cannot read", path_));
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void File::writeAt(std::uint64_t offset, const void* buffer, std::size_t count) {
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = ::pwrite(static_cast<int>(handle_), in + done, count - done,
                             static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw PlatformError(reason("Cannot write", path_));
        }
        done += static_cast<std::size_t>(n);
    }
}

void File::truncate(std::uint64_t size) {
    if (::ftruncate(static_cast<int>(handle_), static_cast<off_t>(size)) != 0)
        throw PlatformError(reason("Cannot truncate", path_));
}

void File::sync() {
    if (::fsync(static_cast<int>(handle_)) != 0) throw PlatformError(reason("Cannot flush", path_));
}

void appendToFile(const std::string& path, std::string_view bytes) {
    // O_APPEND puts each write at the end as it is made, so the line of a
    // run goes in whole beside another program's.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) throw PlatformError(reason("Cannot open", path));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            const std::string message = reason("Cannot write", path);
            ::close(fd);
            throw PlatformError(message);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) throw PlatformError(reason("Cannot write", path));
}

}  // namespace marklift
