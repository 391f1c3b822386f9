// The program's own icon, from the pictures that are installed for the
// desktop's menus, built into the program so every window shows it.
#pragma once

class QIcon;

namespace marklift {

QIcon ProgramIcon();

}  // namespace marklift
