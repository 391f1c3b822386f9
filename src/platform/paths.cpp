#include "platform/paths.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace marklift {
namespace {

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

// The entry of `dir` whose name matches `name` without regard to case; the
// exact spelling wins, then the first match in name order.
std::string findEntry(const fs::path& dir, const std::string& name) {
    std::error_code ec;
    if (fs::exists(dir / name, ec)) return name;
    std::vector<std::string> matches;
    for (fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (sameIgnoringCase(entry, name)) matches.push_back(entry);
    }
    if (matches.empty()) return {};
    return *std::min_element(matches.begin(), matches.end());
}

}  // namespace

std::string nativePath(const std::string& path) {
    std::string text = path;
    std::replace(text.begin(), text.end(), '\\', '/');
    if (text.empty()) return text;

    fs::path result = text.front() == '/' ? fs::path("/") : fs::path();
    bool resolving = true;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('/', start);
        if (end == std::string::npos) end = text.size();
        std::string component = text.substr(start, end - start);
        if (!component.empty()) {
            if (resolving && component != "." && component != "..") {
                std::string found = findEntry(result, component);
                if (found.empty()) {
                    resolving = false;
                } else {
                    component = found;
                }
            }
            result /= component;
        }
        start = end + 1;
    }
    std::string native = result.string();
    if (text.back() == '/' && (native.empty() || native.back() != '/')) native += '/';
    return native;
}

std::string absoluteNativePath(const std::string& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(nativePath(path), ec);
    return ec ? nativePath(path) : absolute.lexically_normal().string();
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(nativePath(path), ec);
}

bool directoryExists(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(nativePath(path), ec);
}

bool copyFileReplacing(const std::string& from, const std::string& to) {
    std::error_code ec;
    return fs::copy_file(nativePath(from), nativePath(to), fs::copy_options::overwrite_existing,
                         ec);
}

bool deleteFile(const std::string& path) {
    std::error_code ec;
    return fs::remove(nativePath(path), ec);
}

bool renameFile(const std::string& from, const std::string& to) {
    std::error_code ec;
    fs::rename(nativePath(from), nativePath(to), ec);
    return !ec;
}

std::string executableDirectory() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    std::string dir = ec ? fs::current_path().string() : exe.parent_path().string();
    std::replace(dir.begin(), dir.end(), '/', '\\');
    if (dir.empty() || dir.back() != '\\') dir += '\\';
    return dir;
}

}  // namespace marklift
