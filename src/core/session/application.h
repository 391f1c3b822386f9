// Names the program shows for itself: the title of the task bar entry, the
// main window and the box of the general error handler.
#pragma once

namespace marklift {

inline constexpr char kApplicationTitle[] = "Prepare ZOLT Upload File for PeopleSoft";
// The name of the single-instance lock and of its raise-the-first-copy notice.
inline constexpr char kApplicationName[] = "Marklift";

}  // namespace marklift
