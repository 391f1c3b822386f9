// What File does the same way on every system; the system calls are in
// file_posix.cpp and file_windows.cpp.
#include "platform/file.h"

#include <string>
#include <utility>

namespace marklift {

File::~File() {
    close();
}

File::File(File&& other) noexcept
    : path_(std::move(other.path_)),
      access_(other.access_),
      handle_(std::exchange(other.handle_, kNoHandle)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        path_ = std::move(other.path_);
        access_ = other.access_;
        handle_ = std::exchange(other.handle_, kNoHandle);
    }
    return *this;
}

void File::readExactly(std::uint64_t offset, void* buffer, std::size_t count) const {
    if (readAt(offset, buffer, count) != count)
        throw PlatformError(path_ + " ends unexpectedly at offset " + std::to_string(offset));
}

}  // namespace marklift
