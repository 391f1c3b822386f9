// The folders a program keeps its settings in: its own folder where it may
// write there, otherwise the per-user settings folder the platform names.
// Each system answers these its own way (user_folders_posix.cpp).
#pragma once

#include <string>

namespace marklift {

// Whether this user may create and replace files in `directory`, a program
// path. A directory that does not exist is not writable.
bool directoryWritable(const std::string& directory);

// Whether `directory` is where the system keeps installed programs, which
// no program writes into even when it could (root): /usr and its folders on
// POSIX, read-only by the file-system hierarchy's rules.
bool isSystemProgramDirectory(const std::string& directory);

// The platform's per-user settings folder as a program path ending in a
// backslash: $XDG_CONFIG_HOME, or ~/.config, on POSIX. Empty when the user
// has none (no home directory).
std::string userSettingsDirectory();

// Makes `directory` and its missing parents; true when it exists afterwards.
bool createDirectories(const std::string& directory);

}  // namespace marklift
