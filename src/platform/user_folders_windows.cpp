#include <shlobj.h>
#include <windows.h>

#include <memory>

#include "platform/file.h"
#include "platform/paths.h"
#include "platform/user_folders.h"
#include "platform/wide_text_windows.h"

namespace marklift {
namespace {

struct TaskMemoryRelease {
    void operator()(wchar_t* text) const { CoTaskMemFree(text); }
};

// The folder the system names `id` as a program path ending in a backslash,
// or empty when this user has none.
std::string knownFolder(REFKNOWNFOLDERID id) {
    wchar_t* raw = nullptr;
    const HRESULT result = SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &raw);
    const std::unique_ptr<wchar_t, TaskMemoryRelease> path(raw);
    if (FAILED(result) || !path) return {};
    std::string folder = utf8FromWide(path.get());
    if (folder.empty()) return {};
    if (folder.back() != '\\') folder += '\\';
    return folder;
}

bool startsWithIgnoringCase(const std::wstring& text, const std::wstring& prefix) {
    return !prefix.empty() && text.size() >= prefix.size() &&
           CompareStringOrdinal(text.data(), static_cast<int>(prefix.size()), prefix.data(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

std::wstring withTrailingBackslash(std::wstring path) {
    if (path.empty() || path.back() != L'\\') path += L'\\';
    return path;
}

}  // namespace

bool directoryWritable(const std::string& directory) {
    // Windows decides by the folder's access list, its inherited entries and
    // the user's groups; making a file there is the one sure answer. The
    // file goes when its handle does.
    try {
        const std::wstring probe = withTrailingBackslash(wideFromUtf8(nativePath(directory))) +
                                   L"marklift-" + std::to_wstring(GetCurrentProcessId()) +
                                   L".probe";
        const HANDLE handle =
            CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        CloseHandle(handle);
        return true;
    } catch (const PlatformError&) {
        return false;
    }
}

bool isSystemProgramDirectory(const std::string& directory) {
    // Where installers put programs, and the system's own folder: even an
    // administrator's copy keeps its settings with the user there.
    try {
        const std::wstring path = withTrailingBackslash(wideFromUtf8(nativePath(directory)));
        for (REFKNOWNFOLDERID id :
             {FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86, FOLDERID_Windows}) {
            const std::string folder = knownFolder(id);
            if (!folder.empty() && startsWithIgnoringCase(path, wideFromUtf8(folder))) return true;
        }
    } catch (const PlatformError&) {
    }
    return false;
}

std::string userSettingsDirectory() {
    // The roaming folder, which follows the user to any computer of the
    // college's domain.
    return knownFolder(FOLDERID_RoamingAppData);
}

}  // namespace marklift
