#include <windows.h>

#include <algorithm>
#include <filesystem>

#include "platform/file.h"
#include "platform/paths.h"
#include "platform/utf8_path.h"
#include "platform/wide_text_windows.h"

namespace marklift {

std::string nativePath(const std::string& path) {
    // A run of separators is one, as POSIX reads it, except the two that
    // begin a network path (\\server\share).
    std::string native;
    for (char c : path) {
        if (c == '/') c = '\\';
        if (c == '\\' && native.size() > 1 && native.back() == '\\') continue;
        native += c;
    }
    return native;
}

bool copyFileReplacing(const std::string& from, const std::string& to) {
    // CopyFileW, not std::filesystem::copy_file: MinGW's (GCC 12) refuses to
    // overwrite an existing file whatever the options say.
    try {
        return CopyFileW(wideFromUtf8(nativePath(from)).c_str(),
                         wideFromUtf8(nativePath(to)).c_str(), FALSE) != 0;
    } catch (const PlatformError&) {
        return false;
    }
}

void replaceFile(const std::string& replacement, const std::string& target) {
    // The moved file keeps the security it was created with in the target's
    // directory, which is what the target had unless someone changed it by
    // hand; write-through returns only once the move is on the disk.
    if (!MoveFileExW(wideFromUtf8(replacement).c_str(), wideFromUtf8(target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw PlatformError("Cannot replace " + target + ": " + systemMessage(GetLastError()));
}

std::string executableDirectory() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        // Never seen for the program's own module; the current folder is
        // what the POSIX side falls back on too.
        if (length == 0) return utf8FromPath(std::filesystem::current_path()) + '\\';
        if (length < name.size()) {
            name.resize(length);
            break;
        }
        name.resize(name.size() * 2);
    }
    const std::string path = utf8FromWide(name);
    return path.substr(0, path.find_last_of('\\') + 1);
}

}  // namespace marklift
