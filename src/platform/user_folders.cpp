#include "platform/user_folders.h"

#include <filesystem>
#include <system_error>

#include "platform/paths.h"

namespace marklift {

bool createDirectories(const std::string& directory) {
    std::error_code ec;
    const std::filesystem::path native = nativePath(directory);
    std::filesystem::create_directories(native, ec);
    return std::filesystem::is_directory(native, ec);
}

}  // namespace marklift
