#include "platform/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace marklift {
namespace {

std::string reason(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

File::File(const std::string& path, Access access, Lock lock, Create create)
    : path_(path), access_(access) {
    int flags = access == Access::ReadOnly ? O_RDONLY : O_RDWR;
    if (create == Create::Truncate) flags |= O_CREAT | O_TRUNC;
    flags |= O_CLOEXEC;
    fd_ = ::open(path.c_str(), flags, 0666);
    if (fd_ < 0) throw PlatformError(reason("Cannot open", path));
    // flock locks belong to the open file description, so two File objects in
    // one process exclude each other just as two processes do.
    if (lock != Lock::None) {
        int op = (lock == Lock::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
        if (::flock(fd_, op) != 0) {
            const bool inUse = errno == EWOULDBLOCK;
            const std::string message =
                inUse ? path + " is in use by another program" : reason("Cannot lock", path);
            close();
            if (inUse) throw FileInUseError(message);
            throw PlatformError(message);
        }
    }
}

File::~File() {
    close();
}

File::File(File&& other) noexcept
    : path_(std::move(other.path_)), access_(other.access_), fd_(std::exchange(other.fd_, -1)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        path_ = std::move(other.path_);
        access_ = other.access_;
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void File::close() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::uint64_t File::size() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throw PlatformError(reason("Cannot read the size of", path_));
    return static_cast<std::uint64_t>(st.st_size);
}

std::size_t File::readAt(std::uint64_t offset, void* buffer, std::size_t count) const {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw PlatformError(reason("Cannot read", path_));
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void File::readExactly(std::uint64_t offset, void* buffer, std::size_t count) const {
    if (readAt(offset, buffer, count) != count)
        throw PlatformError(path_ + " ends unexpectedly at offset " + std::to_string(offset));
}

void File::writeAt(std::uint64_t offset, const void* buffer, std::size_t count) {
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = ::pwrite(fd_, in + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw PlatformError(reason("Cannot write", path_));
        }
        done += static_cast<std::size_t>(n);
    }
}

void File::truncate(std::uint64_t size) {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
        throw PlatformError(reason("Cannot truncate", path_));
}

void File::sync() {
    if (::fsync(fd_) != 0) throw PlatformError(reason("Cannot flush", path_));
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
