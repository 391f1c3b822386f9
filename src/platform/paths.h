// The program builds paths as texts with backslashes, the way its users and
// its settings file write them. This layer maps such a text to the file
// system: `\` becomes the native separator and every component is found
// without regard to letter case, so BANPLACE.DBF, BANPLACE.dbf and
// banplace.dbf name one file.
#pragma once

#include <string>

namespace marklift {

// The native path for a program path. Components that exist are spelled as
// on disk; the first that does not exist, and all after it, stay as given.
std::string nativePath(const std::string& path);

// The native path for a program path, completed from the working directory
// when relative: where a file of that name is written.
std::string absoluteNativePath(const std::string& path);

bool fileExists(const std::string& path);
bool directoryExists(const std::string& path);

// These report failure by their result, never by throwing: their callers
// decide whether a failure matters.
bool copyFileReplacing(const std::string& from, const std::string& to);
bool deleteFile(const std::string& path);
bool renameFile(const std::string& from, const std::string& to);

// The directory of the running executable as a program path, ending in a
// backslash.
std::string executableDirectory();

}  // namespace marklift
