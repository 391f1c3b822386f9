#include "core/config/settings_location.h"

#include "core/config/settings_keys.h"
#include "platform/user_folders.h"

namespace marklift {
namespace {

// The per-user folder holds one folder per program.
constexpr char kUserSettingsFolder[] = "Marklift\\";

}  // namespace

std::string ChooseSettingsFile(const std::optional<std::string>& named,
                               const SettingsFolders& folders) {
    if (named) return *named;
    const bool besideProgram = folders.programDirWritable && !folders.programDirSystem;
    if (besideProgram || folders.userSettingsDir.empty())
        return folders.programDir + kSettingsFileName;
    return folders.userSettingsDir + kUserSettingsFolder + kSettingsFileName;
}

std::string LocateSettingsFile(const std::optional<std::string>& named,
                               const std::string& programDir) {
    if (named) return *named;
    return ChooseSettingsFile(std::nullopt,
                              {programDir, directoryWritable(programDir),
                               isSystemProgramDirectory(programDir), userSettingsDirectory()});
}

void MakeSettingsFolder(const std::string& settingsFile) {
    const std::size_t end = settingsFile.find_last_of("\\/");
    if (end != std::string::npos) createDirectories(settingsFile.substr(0, end + 1));
}

}  // namespace marklift
