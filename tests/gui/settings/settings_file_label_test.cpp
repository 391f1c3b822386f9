// The settings dialog's Path to ZOLT page names the settings file in use,
// in the computer's own spelling of the path.
#include <gtest/gtest.h>

#include <QLabel>

#include "gui/settings/set_path_to_zolt_form.h"
#include "support/data_directory.h"
#include "support/scripted_user_interface.h"

namespace marklift {
namespace {

TEST(SettingsFileLabelTest, ThePathPageNamesTheSettingsFileInUse) {
    testing::DataDirectory data("setfile");
    ProgramSettings settings;
    settings.DataPath = data.path();
    settings.SettingsFileName = "\\home\\ann\\.config\\Marklift\\MARKLIFT.ini";
    ScriptedUserInterface ui;
    TSetPathtoZOLTForm form(ui, settings);
    EXPECT_TRUE(form.Page1->isAncestorOf(form.lblSettingsFile));
    EXPECT_EQ(form.lblSettingsFile->text(),
              QStringLiteral("Settings file:\n/home/ann/.config/Marklift/MARKLIFT.ini"));
    EXPECT_EQ(form.lblSettingsFile->toolTip(),
              QStringLiteral("/home/ann/.config/Marklift/MARKLIFT.ini"));
}

}  // namespace
}  // namespace marklift
