// Which MARKLIFT.ini a run uses. A program folder copied where its users may
// write keeps the file beside the program, as it always has; an installed
// program keeps it in the user's own settings folder. The window and
// marklift-prepare both ask here, so they find the same file.
#pragma once

#include <optional>
#include <string>

namespace marklift {

// What the choice depends on, as the platform answers it.
struct SettingsFolders {
    std::string programDir;  // ending in a backslash
    bool programDirWritable = false;
    bool programDirSystem = false;  // where the system keeps installed programs
    std::string userSettingsDir;    // ending in a backslash; empty when the user has none
};

// The file named on the command line when there is one; else MARKLIFT.ini
// beside the program when its folder is writable and not the system's;
// else MARKLIFT.ini in a Marklift folder of the user's settings folder.
// Without a user settings folder the program's folder is all there is.
std::string ChooseSettingsFile(const std::optional<std::string>& named,
                               const SettingsFolders& folders);

// The same for the program in `programDir`, asking the platform.
std::string LocateSettingsFile(const std::optional<std::string>& named,
                               const std::string& programDir);

// Makes the folder of `settingsFile` when it is missing (the user settings
// folder on a first run), so that the first write can create the file. A
// folder that cannot be made shows later, in the write's own error.
void MakeSettingsFolder(const std::string& settingsFile);

}  // namespace marklift
