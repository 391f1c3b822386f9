// TAutoPrepForm on Qt's offscreen platform: its controls and captions, the
// settings it reads on activation and writes on deactivation and close, the
// save dialog, the timers, and a run over the ZOLT fixture period.
#include "gui/auto_prep/auto_prep_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "core/config/program_settings.h"
#include "core/config/settings_file.h"
#include "core/config/settings_keys.h"
#include "core/session/application.h"
#include "core/session/date_filter.h"
#include "platform/paths.h"
#include "support/child_process.h"
#include "support/data_directory.h"
#include "support/scripted_user_interface.h"

using namespace marklift;
using marklift::testing::DataDirectory;
using marklift::testing::LockingProcess;

namespace {

// A function, not a constant: the date conversions may not be ready before main.
Date Today() {
    return Date::fromYmd(2024, 3, 5);
}

class AutoPrepFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = Settings();
        Settings().SettingsFileName = dir.path() + "MARKLIFT.ini";
        Settings().DateFilter = "";
    }
    void TearDown() override { Settings() = saved_; }

    template <typename T>
    static T* control(const TAutoPrepForm& form, const char* name) {
        T* found = form.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static QString label(const TAutoPrepForm& form, const char* name) {
        return control<QLabel>(form, name)->text();
    }
    static QString status(const TAutoPrepForm& form) {
        return control<QStatusBar>(form, "StatusBar1")->currentMessage();
    }
    static QRadioButton* dateItem(const TAutoPrepForm& form, int index) {
        return control<QGroupBox>(form, "rgdate")->findChildren<QRadioButton*>().value(index);
    }
    static void Activate(TAutoPrepForm& form) {
        QEvent event(QEvent::WindowActivate);
        QApplication::sendEvent(&form, &event);
    }
    static void Deactivate(TAutoPrepForm& form) {
        QEvent event(QEvent::WindowDeactivate);
        QApplication::sendEvent(&form, &event);
    }
    static void Tick(TAutoPrepForm& form, const char* timer) {
        QMetaObject::invokeMethod(control<QTimer>(form, timer), "timeout");
    }
    // The user picks an hour item from the drop-down list.
    static void ChooseHour(TAutoPrepForm& form, int hour) {
        QComboBox* box = control<QComboBox>(form, "ComboBox1");
        box->setCurrentIndex(hour);
        emit box->activated(hour);
    }
    SettingsFile settingsFile() const { return ProgramSettingsFile(Settings()); }
    void Store(const std::string& fileName, int hour, int dateChoice) {
        SettingsFile file = settingsFile();
        file.write(settings_keys::kAutoExportFilename, fileName);
        file.write(settings_keys::kAutoExportTime, hour);
        file.write(settings_keys::kAutoExportDate, dateChoice);
    }

    DataDirectory dir{"autoprep"};
    ScriptedUserInterface ui;
    FakeClock clock{LocalDateTime{Today(), 7, 30, 0, 0}};
    ProgramSettings saved_;
};

TEST_F(AutoPrepFormTest, ANewWindowShowsItsDesignCaptions) {
    TAutoPrepForm form(ui, {}, clock);
    EXPECT_EQ(form.windowTitle(), "Automatic File Preparation");
    EXPECT_EQ(label(form, "lblDate"), "Currenrt Date:");
    EXPECT_EQ(label(form, "lblTime"), "Currenrt Time:");
    EXPECT_EQ(control<QGroupBox>(form, "rgdate")->title(), "Set Date:");
    EXPECT_EQ(dateItem(form, 0)->text(), "Current Date");
    EXPECT_EQ(dateItem(form, 1)->text(), "Date Selection");
    EXPECT_TRUE(dateItem(form, 0)->isChecked());
    EXPECT_EQ(dateItem(form, 0)->y(), dateItem(form, 1)->y()) << "two columns";
    EXPECT_EQ(control<QGroupBox>(form, "GroupBox1")->title(), "Set Time:");
    QPushButton* activate = control<QPushButton>(form, "btnActivate");
    EXPECT_EQ(activate->text(), "&Activate Automatic Export");
    EXPECT_FALSE(activate->isEnabled());
    EXPECT_EQ(label(form, "Label1"), "File Name:");
    EXPECT_EQ(control<QLineEdit>(form, "Edit2")->text(), "");
    EXPECT_EQ(control<QPushButton>(form, "btnExport")->text(), "&Prepare Export File");
    EXPECT_EQ(control<QPushButton>(form, "btnClose")->text(), "&Close");
    EXPECT_EQ(status(form), "Automatic Export Inactive");
    QProgressBar* bar = control<QProgressBar>(form, "ProgressBar1");
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(bar->parent(), control<QStatusBar>(form, "StatusBar1"));
    EXPECT_EQ(form.RunFilter(), "");
}

TEST_F(AutoPrepFormTest, TheHourBoxHoldsTheTwentyFourItemsAsWritten) {
    TAutoPrepForm form(ui, {}, clock);
    QComboBox* box = control<QComboBox>(form, "ComboBox1");
    EXPECT_TRUE(box->isEditable());
    EXPECT_EQ(box->maxVisibleItems(), 13);
    const char* expected[24] = {
        "12:00 Midnight", "  1:00 AM  ", "  2:00 AM", "  3:00 AM", "  4:00 AM", "  5:00 AM",
        "  6:00 AM",      "  7:00 AM",   "  8:00 AM", "  9:00 AM", "10:00 AM",  "11:00 AM",
        "12:00 Noon",     "  1:00 PM  ", "  2:00 PM", "  3:00 PM", "  4:00 PM", "  5:00 PM",
        "  6:00 PM",      "  7:00 PM",   "  8:00 PM", "  9:00 PM", "10:00 PM",  "11:00 PM"};
    ASSERT_EQ(box->count(), 24);
    for (int hour = 0; hour < 24; ++hour) EXPECT_EQ(box->itemText(hour), expected[hour]) << hour;
    EXPECT_EQ(box->currentIndex(), -1);
}

TEST_F(AutoPrepFormTest, TheCreatedWindowCopiesTheMainWindowsDateFilter) {
    Settings().DateFilter = ComposeDateFilter(Date::fromYmd(2004, 3, 1), Date::fromYmd(2004, 3, 9));
    TAutoPrepForm form(ui, {}, clock);
    EXPECT_EQ(form.RunFilter(), Settings().DateFilter);
}

TEST_F(AutoPrepFormTest, FirstActivationWithNoSettingsLeavesBothButtonsDisabled) {
    TAutoPrepForm form(ui, {}, clock);
    Activate(form);
    EXPECT_EQ(control<QLineEdit>(form, "Edit2")->text(), "");
    EXPECT_EQ(control<QComboBox>(form, "ComboBox1")->currentIndex(), -1);
    EXPECT_EQ(control<QComboBox>(form, "ComboBox1")->currentText(), "");
    EXPECT_TRUE(dateItem(form, 0)->isChecked());
    EXPECT_FALSE(control<QPushButton>(form, "btnActivate")->isEnabled());
    EXPECT_FALSE(control<QPushButton>(form, "btnExport")->isEnabled());
}

TEST_F(AutoPrepFormTest, ActivationReadsTheStoredChoices) {
    Store("C:\\UPLOAD\\AUTO.ASC", 8, 1);
    TAutoPrepForm form(ui, {}, clock);
    Activate(form);
    EXPECT_EQ(control<QLineEdit>(form, "Edit2")->text(), "C:\\UPLOAD\\AUTO.ASC");
    EXPECT_EQ(control<QComboBox>(form, "ComboBox1")->currentIndex(), 8);
    EXPECT_EQ(control<QComboBox>(form, "ComboBox1")->currentText(), "  8:00 AM");
    EXPECT_TRUE(dateItem(form, 1)->isChecked());
    EXPECT_TRUE(control<QPushButton>(form, "btnActivate")->isEnabled());
    EXPECT_TRUE(control<QPushButton>(form, "btnExport")->isEnabled());

    // Each activation reads again: a value changed elsewhere shows up.
    Store("", 8, 0);
    Activate(form);
    EXPECT_EQ(control<QLineEdit>(form, "Edit2")->text(), "");
    EXPECT_TRUE(dateItem(form, 0)->isChecked());
    EXPECT_FALSE(control<QPushButton>(form, "btnActivate")->isEnabled());
}

TEST_F(AutoPrepFormTest, AStoredHourOrDateThatIsNoItemChoosesNothing) {
    Store("C:\\A.ASC", 24, 2);
    TAutoPrepForm form(ui, {}, clock);
    Activate(form);
    EXPECT_EQ(control<QComboBox>(form, "ComboBox1")->currentIndex(), -1);
    EXPECT_FALSE(dateItem(form, 0)->isChecked());
    EXPECT_FALSE(dateItem(form, 1)->isChecked());
    EXPECT_FALSE(control<QPushButton>(form, "btnActivate")->isEnabled());
}

TEST_F(AutoPrepFormTest, DeactivationWritesTheWindowsChoices) {
    TAutoPrepForm form(ui, {}, clock);
    Activate(form);
    control<QLineEdit>(form, "Edit2")->setText("C:\\OUT\\DAILY.ASC");
    ChooseHour(form, 13);
    dateItem(form, 1)->click();
    EXPECT_TRUE(control<QPushButton>(form, "btnActivate")->isEnabled());
    Deactivate(form);

    const SettingsFile file = settingsFile();
    EXPECT_EQ(file.read(settings_keys::kAutoExportFilename), "C:\\OUT\\DAILY.ASC");
    EXPECT_EQ(file.read(settings_keys::kAutoExportTime), 13);
    EXPECT_EQ(file.read(settings_keys::kAutoExportDate), 1);
    const std::string text = dir.bytes("MARKLIFT.ini");
    EXPECT_LT(text.find("Filename="), text.find("Time="));
    EXPECT_LT(text.find("Time="), text.find("Date="));

    // Reopening restores them.
    TAutoPrepForm reopened(ui, {}, clock);
    Activate(reopened);
    EXPECT_EQ(control<QLineEdit>(reopened, "Edit2")->text(), "C:\\OUT\\DAILY.ASC");
    EXPECT_EQ(control<QComboBox>(reopened, "ComboBox1")->currentText(), "  1:00 PM  ");
    EXPECT_TRUE(dateItem(reopened, 1)->isChecked());
}

TEST_F(AutoPrepFormTest, ATypedHourIsNoItemButEnablesTheButtons) {
    Store("C:\\A.ASC", 8, 0);
    TAutoPrepForm form(ui, {}, clock);
    Activate(form);
    QLineEdit* hourText = control<QComboBox>(form, "ComboBox1")->lineEdit();
    hourText->setText("8 o'clock");
    emit hourText->textEdited(hourText->text());
    EXPECT_EQ(form.schedule().selectedHour(), -1);
    EXPECT_TRUE(control<QPushButton>(form, "btnActivate")->isEnabled());
    hourText->setText("");
    emit hourText->textEdited("");
    EXPECT_FALSE(control<QPushButton>(form, "btnActivate")->isEnabled());
    EXPECT_FALSE(control<QPushButton>(form, "btnExport")->isEnabled());
    Deactivate(form);
    EXPECT_EQ(settingsFile().read(settings_keys::kAutoExportTime), -1);
}

TEST_F(AutoPrepFormTest, ClosingWritesTheChoicesOnce) {
    TAutoPrepForm form(ui, {}, clock);
    form.show();
    Activate(form);
    control<QLineEdit>(form, "Edit2")->setText("C:\\CLOSE.ASC");
    control<QPushButton>(form, "btnClose")->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(settingsFile().read(settings_keys::kAutoExportFilename), "C:\\CLOSE.ASC");
    // A deactivation reported after the close writes nothing more.
    std::filesystem::remove(dir.native("MARKLIFT.ini"));
    Deactivate(form);
    EXPECT_FALSE(dir.exists("MARKLIFT.ini"));
}

TEST_F(AutoPrepFormTest, TheBrowseButtonAsksForTheFileByTheSaveDialog) {
    TAutoPrepForm form(ui, {}, clock);
    QToolButton* browse = control<QToolButton>(form, "SpeedButton1");
    ui.queueSaveFile("/home/staff/banner.asc");
    browse->click();
    ASSERT_EQ(ui.saveDialogs().size(), 1u);
    const FileDialogOptions& options = ui.saveDialogs()[0];
    EXPECT_EQ(options.title, "Save Banner Export File");
    EXPECT_EQ(options.initialDirectory, "c:");
    EXPECT_EQ(options.initialFileName, "temp");
    EXPECT_EQ(options.defaultExtension, "asc");
    EXPECT_EQ(options.filter, "Text files (*.txt)|*.txt|All files (*.*)|*.*");
    EXPECT_EQ(control<QLineEdit>(form, "Edit2")->text(), "/home/staff/banner.asc");

    browse->click();  // cancelled
    ASSERT_EQ(ui.saveDialogs().size(), 2u);
    EXPECT_EQ(ui.saveDialogs()[1].initialFileName, "/home/staff/banner.asc");
    EXPECT_EQ(control<QLineEdit>(form, "Edit2")->text(), "/home/staff/banner.asc");

    Store("C:\\STORED.ASC", 8, 0);
    Activate(form);
    browse->click();
    EXPECT_EQ(ui.saveDialogs()[2].initialFileName, "C:\\STORED.ASC");
}

TEST_F(AutoPrepFormTest, TimersTickEverySecondAndTheClockFillsTheLabels) {
    TAutoPrepForm form(ui, {}, clock);
    QTimer* hourCheck = control<QTimer>(form, "Timer1");
    QTimer* clockTick = control<QTimer>(form, "Timer2");
    EXPECT_EQ(hourCheck->interval(), 1000);
    EXPECT_EQ(clockTick->interval(), 1000);
    EXPECT_FALSE(hourCheck->isActive());
    EXPECT_TRUE(clockTick->isActive());

    clock.set(LocalDateTime{Today(), 14, 2, 3, 0});
    Tick(form, "Timer2");
    EXPECT_EQ(label(form, "lblTime"), "Current Time: 2:02:03 PM");
    EXPECT_EQ(label(form, "lblDate"), "Current Date: 03/05/2024");
}

TEST_F(AutoPrepFormTest, ActivateSwitchesTheDisplayAndTheHourCheck) {
    Store("C:\\A.ASC", 8, 0);
    TAutoPrepForm form(ui, {}, clock);
    Activate(form);
    QPushButton* activate = control<QPushButton>(form, "btnActivate");
    activate->click();
    EXPECT_EQ(activate->text(), "&Deactivate Automatic Export");
    EXPECT_EQ(status(form), "Automatic Export Active");
    EXPECT_TRUE(control<QTimer>(form, "Timer1")->isActive());
    for (const char* name : {"btnClose", "btnExport"})
        EXPECT_FALSE(control<QPushButton>(form, name)->isEnabled()) << name;
    for (const char* name : {"ComboBox1", "GroupBox1", "rgdate", "Edit2", "SpeedButton1"})
        EXPECT_FALSE(control<QWidget>(form, name)->isEnabled()) << name;
    EXPECT_TRUE(activate->isEnabled());

    activate->click();
    EXPECT_EQ(activate->text(), "&Activate Automatic Export");
    EXPECT_EQ(status(form), "Automatic Export Inactive");
    EXPECT_FALSE(control<QTimer>(form, "Timer1")->isActive());
    for (const char* name :
         {"btnClose", "btnExport", "ComboBox1", "GroupBox1", "rgdate", "Edit2", "SpeedButton1"})
        EXPECT_TRUE(control<QWidget>(form, name)->isEnabled()) << name;
}

// A day with results in the fixture's period 1, for the runs that take
// today's date.
Date FixtureDay() {
    return Date::fromYmd(2004, 3, 21);
}

// A run over period 1 of the fixture ZOLT directory.
class AutoPrepFormRunTest : public AutoPrepFormTest {
protected:
    void SetUp() override {
        AutoPrepFormTest::SetUp();
        std::filesystem::copy(MARKLIFT_FIXTURES "/zolt", dir.root(),
                              std::filesystem::copy_options::recursive);
        Settings().DataPath = dir.path();
        Settings().PeriodDir = "DELVTP1\\";
        Settings().SearchTemporary = true;
        Settings().IncludePlacementRecords = true;
        Settings().IncludeAssessmentRecords = true;
        Settings().IncludeScoreRecords = true;
    }

    // The writer's progress display of each run: which file it writes, and
    // how many records the freshly built work table gave it.
    ExportProgressFactory Recorder() {
        class Recording : public ExportProgress {
        public:
            explicit Recording(AutoPrepFormRunTest& test) : test_(test) {}
            void BeginProgress(std::int64_t total, const std::string& fileName) override {
                test_.exported.push_back(fileName);
                test_.workTableRecords = static_cast<std::size_t>(total);
            }
            void UpdateProgress(std::int64_t, std::int64_t) override {}

        private:
            AutoPrepFormRunTest& test_;
        };
        return [this] { return std::make_unique<Recording>(*this); };
    }

    std::vector<std::string> exported;
    std::size_t workTableRecords = 0;
};

TEST_F(AutoPrepFormRunTest, PrepareExportFileBuildsAndExportsToTheNamedFile) {
    Store(dir.path() + "AUTO.ASC", 8, 1);
    TAutoPrepForm form(ui, Recorder(), clock);
    Activate(form);
    control<QPushButton>(form, "btnExport")->click();
    EXPECT_EQ(exported, std::vector<std::string>{dir.path() + "AUTO.ASC"});
    EXPECT_GT(workTableRecords, 0u);
    EXPECT_TRUE(dir.exists("AUTO.ASC"));
    EXPECT_EQ(form.RunFilter(), "");
    EXPECT_EQ(status(form), "File Successfully Prepared");
    EXPECT_EQ(control<QProgressBar>(form, "ProgressBar1")->value(), 0);
    EXPECT_TRUE(ui.messages().empty()) << ui.messageTexts()[0];
}

TEST_F(AutoPrepFormRunTest, TheScheduledRunUsesTodaysDate) {
    Store(dir.path() + "AUTO.ASC", 8, 0);
    TAutoPrepForm form(ui, Recorder(), clock);
    Activate(form);
    clock.set(LocalDateTime{FixtureDay(), 8, 0, 0, 0});
    control<QPushButton>(form, "btnActivate")->click();
    Tick(form, "Timer1");
    EXPECT_EQ(exported.size(), 1u);
    EXPECT_EQ(form.RunFilter(), ComposeDateFilter(FixtureDay(), FixtureDay()));
    EXPECT_EQ(status(form), "Automatic Export Completed");
    EXPECT_FALSE(control<QTimer>(form, "Timer1")->isActive());
    EXPECT_EQ(control<QPushButton>(form, "btnActivate")->text(), "&Activate Automatic Export");
}

// How the real window's run ends, on its status line and in the run log
// beside the settings file, with nobody there to press OK on a box.
struct RunEnding {
    const char* what;
    bool dateRangeWithoutResults;  // Date Selection over days with no test
    bool folderGone;               // the upload file's folder is missing
    bool tableGone;                // PLACTEMP is missing
    const char* status;            // after Prepare Export File; empty: the error's text
    const char* logged;            // the run log's outcome column begins so
};

void PrintTo(const RunEnding& c, std::ostream* out) {
    *out << c.what;
}

class AutoPrepFormEndingTest : public AutoPrepFormRunTest,
                               public ::testing::WithParamInterface<RunEnding> {
protected:
    void SetUp() override {
        AutoPrepFormRunTest::SetUp();
        const RunEnding& c = GetParam();
        if (c.dateRangeWithoutResults)
            Settings().DateFilter =
                ComposeDateFilter(Date::fromYmd(1999, 1, 1), Date::fromYmd(1999, 1, 2));
        if (c.tableGone) std::filesystem::remove(dir.root() / "DELVTP1" / "PLACTEMP.DBF");
        upload = dir.path() + (c.folderGone ? "GONE\\AUTO.ASC" : "AUTO.ASC");
        // Yesterday's file, which a run that writes nothing must leave.
        dir.writeBytes("AUTO.ASC", "yesterday\r\n");
        Store(upload, 8, 1);
    }

    // The status the run should leave; a failed run shows its error's text.
    std::string expectedStatus(const char* written) const {
        const RunEnding& c = GetParam();
        if (c.tableGone)
            return "Table " + nativePath(dir.path() + "DELVTP1\\") + "PlacTemp.dbf does not exist.";
        return *c.status ? c.status : written;
    }
    void expectTheRunWasLoggedOnce() const {
        const std::string log = dir.bytes("MARKLIFT.log");
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
        EXPECT_NE(log.find(" | Auto Prepare | period 1 | "), std::string::npos) << log;
        EXPECT_NE(log.find(std::string(" | ") + GetParam().logged), std::string::npos) << log;
    }
    void expectYesterdaysFileUnlessWritten() const {
        const bool written = std::string(GetParam().logged) == "prepared";
        EXPECT_EQ(dir.bytes("AUTO.ASC") == "yesterday\r\n", !written);
    }

    std::string upload;
};

TEST_P(AutoPrepFormEndingTest, PrepareExportFileSaysHowTheRunEnded) {
    TAutoPrepForm form(ui, {}, clock);
    Activate(form);
    control<QPushButton>(form, "btnExport")->click();
    EXPECT_EQ(status(form).toStdString(), expectedStatus("File Successfully Prepared"));
    EXPECT_TRUE(ui.messages().empty()) << ui.messageTexts()[0];
    expectTheRunWasLoggedOnce();
    expectYesterdaysFileUnlessWritten();
}

TEST_P(AutoPrepFormEndingTest, TheScheduledRunSaysHowItEndedAndGoesOnToTheNextDay) {
    TAutoPrepForm form(ui, {}, clock);
    Activate(form);
    clock.set(LocalDateTime{FixtureDay(), 8, 0, 0, 0});
    control<QPushButton>(form, "btnActivate")->click();
    Tick(form, "Timer1");
    EXPECT_EQ(status(form).toStdString(), expectedStatus("Automatic Export Completed"));
    EXPECT_TRUE(ui.messages().empty()) << ui.messageTexts()[0];
    EXPECT_FALSE(control<QTimer>(form, "Timer1")->isActive());
    EXPECT_EQ(control<QPushButton>(form, "btnActivate")->text(), "&Activate Automatic Export");
    expectTheRunWasLoggedOnce();
    expectYesterdaysFileUnlessWritten();

    // The next hour arms the window for tomorrow's run.
    clock.set(LocalDateTime{FixtureDay(), 9, 0, 0, 0});
    Tick(form, "Timer2");
    EXPECT_TRUE(control<QTimer>(form, "Timer1")->isActive());
    EXPECT_EQ(status(form), "Automatic Export Active");
}

INSTANTIATE_TEST_SUITE_P(
    Endings, AutoPrepFormEndingTest,
    ::testing::Values(RunEnding{"FileWritten", false, false, false, "", "prepared"},
                      RunEnding{"NoDataInTheRange", true, false, false,
                                "No data in date range.  Export File was not prepared.",
                                "not prepared: no data in date range"},
                      RunEnding{"UploadFolderGone", false, true, false,
                                "Export File has been not prepared.",
                                "not prepared: the file could not be written"},
                      RunEnding{"ZoltTableGone", false, false, true, "", "failed: Table "}),
    [](const auto& info) { return std::string(info.param.what); });

// Cancel at the retry question gives the program up: the window closes
// without writing its settings, and its caller ends the program.
TEST_F(AutoPrepFormRunTest, CancelAtTheRetryQuestionClosesTheWindowAndEndsTheProgram) {
    Store(dir.path() + "AUTO.ASC", 8, 1);
    for (const bool scheduled : {false, true}) {
        SCOPED_TRACE(scheduled ? "scheduled run" : "Prepare Export File");
        TAutoPrepForm form(ui, {}, clock);
        form.show();
        Activate(form);
        std::filesystem::remove(dir.native("MARKLIFT.ini"));
        ui.queueAnswer(Answer::Cancel);
        {
            LockingProcess holder(dir.native("DELVTP1\\PLACTEMP.DBF"));
            if (scheduled) {
                clock.set(LocalDateTime{FixtureDay(), 8, 0, 0, 0});
                control<QPushButton>(form, "btnActivate")->click();
                EXPECT_NO_THROW(Tick(form, "Timer1"));
            } else {
                EXPECT_NO_THROW(control<QPushButton>(form, "btnExport")->click());
            }
        }
        EXPECT_TRUE(form.ProgramWasCancelled());
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(form.result(), QDialog::Rejected);
        EXPECT_FALSE(dir.exists("MARKLIFT.ini"));
        ASSERT_GE(ui.messages().size(), 2u);
        EXPECT_EQ(ui.messages().back().text, "Cancelled.  The program will be terminated.");
        Store(dir.path() + "AUTO.ASC", 8, 1);
    }
}

}  // namespace
