// The file operations that std::filesystem does alike on every system, once
// the path is native and in its encoding.
#include "platform/paths.h"

#include <filesystem>
#include <random>
#include <system_error>

#include "platform/utf8_path.h"

namespace fs = std::filesystem;

namespace marklift {
namespace {

fs::path onDisk(const std::string& path) {
    return pathFromUtf8(nativePath(path));
}

}  // namespace

std::string absoluteNativePath(const std::string& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(onDisk(path), ec);
    return ec ? nativePath(path) : utf8FromPath(absolute.lexically_normal());
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(onDisk(path), ec);
}

bool directoryExists(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(onDisk(path), ec);
}

bool deleteFile(const std::string& path) {
    std::error_code ec;
    return fs::remove(onDisk(path), ec);
}

bool renameFile(const std::string& from, const std::string& to) {
    std::error_code ec;
    fs::rename(onDisk(from), onDisk(to), ec);
    return !ec;
}

std::string freeTemporaryName(const std::string& nativeTarget) {
    std::random_device random;
    std::error_code ec;
    for (;;) {
        std::string name = nativeTarget + ".~" + std::to_string(random());
        if (!fs::exists(pathFromUtf8(name), ec) && !ec) return name;
    }
}

}  // namespace marklift
