// The main window with the program's own actions over the ZOLT fixture:
// what Find says when the date range holds nothing, and a Cancel at the
// retry question inside the automatic preparation window, which ends the
// program the way closing the main window does.
#include "gui/main_window/main_window_actions.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "core/config/clock.h"
#include "core/config/program_settings.h"
#include "core/session/application.h"
#include "gui/auto_prep/auto_prep_form.h"
#include "gui/main_window/marklift_main_form.h"
#include "gui/selection/list_banner_scores_form.h"
#include "support/child_process.h"
#include "support/scripted_user_interface.h"
#include "support/temp_directory.h"

namespace marklift {
namespace {

using testing::LockingProcess;
using testing::TempDirectory;

// Does `act` to each modal window as soon as it is up, and remembers what
// kind of window it was.
class ModalWindows {
public:
    explicit ModalWindows(std::function<void(QDialog&)> act) : act_(std::move(act)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            // Once each: a window the act leaves open is closed next time.
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            if (dialog->property(kSeen).toBool()) {
                dialog->reject();
                return;
            }
            dialog->setProperty(kSeen, true);
            seen_.push_back(dialog->windowTitle().toStdString());
            act_(*dialog);
        });
        timer_.start(0);
    }
    const std::vector<std::string>& seen() const { return seen_; }

private:
    std::function<void(QDialog&)> act_;
    static constexpr char kSeen[] = "seenByTheTest";
    QTimer timer_;
    std::vector<std::string> seen_;
};

class MainWindowActionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy(MARKLIFT_FIXTURES "/zolt", dir.path() / "zolt",
                              std::filesystem::copy_options::recursive);
        // Placement records alone keep each build short.
        dir.writeFile("MARKLIFT.ini",
                      "[Directories]\r\nZOLT Path=" + data() +
                          "/\r\n[Testing Periods]\r\nZOLT From=1\r\n[ZOLT Export]\r\n"
                          "Include Assessment Records=0\r\nInclude Score Records=0\r\n"
                          "Selected Dates=1\r\nBegin Date=" +
                          begin + "\r\nEnd Date=" + end + "\r\n[ZOLT Auto Export]\r\nFilename=" +
                          data() + "/AUTO.ASC\r\nTime=8\r\nDate=1\r\n");
        Settings() = ProgramSettings();
        form = std::make_unique<TMarkliftMainForm>(ui, systemClock());
        Settings().ProgramDir = dir.path().string() + "/";
        Settings().SettingsFileName = dir.file("MARKLIFT.ini");
        InstallMainWindowActions(*form, ui);
        form->show();
        QCoreApplication::processEvents();
        // The fixture has periods 1 to 3 only; the scan says so.
        ASSERT_EQ(ui.messageTexts(),
                  std::vector<std::string>{
                      "Not all ZOLT Testing Periods have been initialized.  Contact DELV."});
        ui = ScriptedUserInterface();
    }

    std::string data() const { return (dir.path() / "zolt").string(); }

    TempDirectory dir;
    std::string begin = "01/01/1999";
    std::string end = "01/31/1999";
    ScriptedUserInterface ui;
    std::unique_ptr<TMarkliftMainForm> form;
};

TEST_F(MainWindowActionsTest, FindSaysWhenTheDateRangeHoldsNothingAndStillOpensTheWindow) {
    ModalWindows windows([](QDialog& dialog) { dialog.reject(); });
    form->btnFind->click();
    EXPECT_EQ(windows.seen(), std::vector<std::string>{"Select Records"});
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].title, kApplicationTitle);
    EXPECT_EQ(ui.messages()[0].text, "No records were found from 01/01/1999 to 01/31/1999.");
    EXPECT_EQ(ui.messages()[0].icon, MessageIcon::Information);

    // A range with results goes straight to the window.
    ui = ScriptedUserInterface();
    form->rbAllDates->click();
    form->btnFind->click();
    EXPECT_TRUE(ui.messages().empty()) << ui.messageTexts()[0];
    EXPECT_TRUE(form->isVisible());
}

TEST_F(MainWindowActionsTest, CancelAtTheRetryQuestionInAutoPrepareEndsTheProgram) {
    ui.queueAnswer(Answer::Cancel);
    LockingProcess holder(data() + "/DELVTP1/PLACTEMP.DBF");
    ModalWindows windows([](QDialog& dialog) {
        if (auto* autoPrep = qobject_cast<TAutoPrepForm*>(&dialog))
            autoPrep->findChild<QPushButton*>("btnExport")->click();
    });
    form->rbAllDates->click();
    form->btnAuto->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(windows.seen(), std::vector<std::string>{"Automatic File Preparation"});
    ASSERT_EQ(ui.messages().size(), 2u);
    EXPECT_EQ(ui.messages()[1].text, "Cancelled.  The program will be terminated.");
    EXPECT_FALSE(form->isVisible()) << "the main window closes, which ends the run";
}

}  // namespace
}  // namespace marklift
