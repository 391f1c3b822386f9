#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "platform/paths.h"
#include "platform/user_folders.h"

namespace marklift {
namespace {

std::string programPathOf(std::string native) {
    std::replace(native.begin(), native.end(), '/', '\\');
    if (native.empty() || native.back() != '\\') native += '\\';
    return native;
}

std::string environmentPath(const char* name) {
    const char* value = std::getenv(name);
    // Only absolute paths count: a relative one is to be ignored.
    return value && value[0] == '/' ? value : "";
}

std::string homeDirectory() {
    std::string home = environmentPath("HOME");
    if (!home.empty()) return home;
    const passwd* entry = ::getpwuid(::getuid());
    return entry && entry->pw_dir && entry->pw_dir[0] == '/' ? entry->pw_dir : "";
}

}  // namespace

bool directoryWritable(const std::string& directory) {
    // Search permission as well: a file in a folder that cannot be entered
    // cannot be made.
    return ::access(nativePath(directory).c_str(), W_OK | X_OK) == 0;
}

bool isSystemProgramDirectory(const std::string& directory) {
    const std::string path = programPathOf(nativePath(directory));
    for (const char* system : {"\\usr\\", "\\bin\\", "\\sbin\\"})
        if (path.starts_with(system)) return true;
    return false;
}

std::string userSettingsDirectory() {
    const std::string configHome = environmentPath("XDG_CONFIG_HOME");
    if (!configHome.empty()) return programPathOf(configHome);
    const std::string home = homeDirectory();
    return home.empty() ? std::string() : programPathOf(home + "/.config");
}

}  // namespace marklift
