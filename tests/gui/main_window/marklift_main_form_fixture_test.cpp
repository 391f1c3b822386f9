// The main window over a ZOLT data directory written by another xBase
// program, read through the table engine (no made-up period names).
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include "core/config/clock.h"
#include "core/config/program_settings.h"
#include "gui/main_window/marklift_main_form.h"
#include "gui/widgets/virtual_list_box.h"
#include "support/scripted_user_interface.h"

namespace marklift {
namespace {

TEST(MainFormOverZoltTables, ListsThePeriodsByTheirTpNames) {
    QTemporaryDir programDir;
    ASSERT_TRUE(programDir.isValid());
    QFile ini(programDir.filePath(QStringLiteral("MARKLIFT.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Directories]\r\nZOLT Path=" MARKLIFT_FIXTURES
              "/zolt\r\n"
              "[Testing Periods]\r\nZOLT From=2\r\n");
    ini.close();

    Settings() = ProgramSettings();
    ScriptedUserInterface ui;
    FakeClock clock(LocalDateTime{Date::fromYmd(2005, 2, 1)});
    TMarkliftMainForm form(ui, clock);
    Settings().SettingsFileName = programDir.path().toStdString() + "/MARKLIFT.ini";
    form.show();
    QCoreApplication::processEvents();

    // The directory holds periods 1 to 3 only.
    EXPECT_EQ(ui.messageTexts(),
              std::vector<std::string>{"Not all ZOLT Testing Periods have been initialized.  "
                                       "Contact DELV."});
    const QAbstractItemModel* rows = form.ListBox2->model();
    ASSERT_EQ(rows->rowCount(), 3);
    EXPECT_EQ(rows->data(rows->index(0, 0)).toString(), QStringLiteral("1.  \tFALL 2004"));
    EXPECT_EQ(rows->data(rows->index(1, 0)).toString(), QStringLiteral("2.  \tSPRING 2005"));
    EXPECT_EQ(rows->data(rows->index(2, 0)).toString(), QStringLiteral("3.  \tSUMMER 2005"));
    EXPECT_EQ(Settings().PeriodChoices,
              (std::vector<std::string>{"1. FALL 2004", "2. SPRING 2005", "3. SUMMER 2005"}));
    EXPECT_EQ(form.ListBox2->selectedRow(), 1);
    EXPECT_TRUE(form.btnFind->isEnabled());
    form.close();
}

}  // namespace
}  // namespace marklift
