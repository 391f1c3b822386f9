// Names the program shows for itself: the title of the task bar entry, the
// main window and the box of the general error handler, and its version.
#pragma once

#include <string>

#include "marklift_version.h"

namespace marklift {

inline constexpr char kApplicationTitle[] = "Prepare ZOLT Upload File for PeopleSoft";
// The name of the single-instance lock and of its raise-the-first-copy notice.
inline constexpr char kApplicationName[] = "Marklift";

// What each of the programs answers to --version: "marklift-prepare 1.0.0".
inline std::string VersionLine(const std::string& program) {
    return program + " " + kMarkliftVersion;
}

}  // namespace marklift
