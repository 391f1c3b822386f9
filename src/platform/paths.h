// The program builds paths as texts with backslashes, the way its users and
// its settings file write them. This layer maps such a text to the file
// system: `\` becomes the native separator and, where the file system minds
// letter case (POSIX), every component is found without regard to it, so
// BANPLACE.DBF, BANPLACE.dbf and banplace.dbf name one file. On Windows the
// file system does that itself. Paths are UTF-8 texts on every system.
#pragma once

#include <string>

namespace marklift {

// The native path for a program path. On POSIX, components that exist are
// spelled as on disk; the first that does not exist, and all after it, stay
// as given. On Windows only `/` becomes `\`.
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

// Moves the file `replacement` into the place of `target` (both native
// paths in one directory) in one step: a reader finds the old file or the
// new one, never neither. The new file keeps the old one's permissions, and
// the move has reached the disk when this returns. Throws PlatformError; the
// target is then as it was.
void replaceFile(const std::string& replacement, const std::string& target);

// A native path beside `nativeTarget` that no file has now: the target's
// name with a random ending, for a file written in its place or next to it.
std::string freeTemporaryName(const std::string& nativeTarget);

// The directory of the running executable as a program path, ending in a
// backslash.
std::string executableDirectory();

}  // namespace marklift
