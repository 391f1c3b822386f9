// The program keeps its paths as UTF-8 texts. std::filesystem reads a plain
// narrow text in the system's code page on Windows, which cannot spell most
// names, so a path crosses into std::filesystem and back only through these.
#pragma once

#include <filesystem>
#include <string>

namespace marklift {

inline std::filesystem::path pathFromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace marklift
