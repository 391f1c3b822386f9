#include "gui/main_window/marklift_main_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>
#include <memory>
#include <stdexcept>

#include "core/config/clock.h"
#include "core/config/program_settings.h"
#include "core/config/settings_file.h"
#include "core/session/application.h"
#include "core/session/program_error.h"
#include "gui/main_window/single_instance.h"
#include "gui/widgets/date_edit.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/virtual_list_box.h"
#include "platform/paths.h"
#include "support/scripted_user_interface.h"

namespace marklift {
namespace {

const Date kToday = Date::fromYmd(2024, 5, 6);

Date mdy(int month, int day, int year) {
    return Date::fromYmd(year, month, day);
}

// The text a control shows: a label's or button's text, a group's title.
QString caption(const QWidget* control) {
    if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
    if (auto* group = qobject_cast<const QGroupBox*>(control)) return group->title();
    return QStringLiteral("<no caption>");
}

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(programDir_.isValid());
        ASSERT_TRUE(dataDir_.isValid());
        Settings() = ProgramSettings();
    }

    // A form as the program makes it, reading and writing its settings in
    // a directory of the test's own, and the period names made up from the
    // period's directory ("Period 3" for DELVTP3).
    std::unique_ptr<TMarkliftMainForm> makeForm(SingleInstanceGuard* guard = nullptr) {
        auto form = std::make_unique<TMarkliftMainForm>(ui_, clock_, guard);
        Settings().SettingsFileName = programDir_.path().toStdString() + "/MARKLIFT.ini";
        form->setPeriodNameReader([this](const std::string& directory, UserInterface&) {
            namesRead_.push_back(directory);
            const std::size_t at = directory.rfind("DELVTP");
            return "Period " + directory.substr(at + 6, directory.size() - at - 7);
        });
        return form;
    }

    static void activate(TMarkliftMainForm& form) {
        form.show();
        QCoreApplication::processEvents();
    }

    void writeIni(const std::string& extraLines) {
        QFile ini(programDir_.filePath(QStringLiteral("MARKLIFT.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        const std::string text =
            "[Directories]\r\nZOLT Path=" + dataDir_.path().toStdString() + "\r\n" + extraLines;
        ini.write(text.data(), static_cast<qint64>(text.size()));
    }

    SettingsFile iniFile() const {
        return SettingsFile(programDir_.path().toStdString() + "/MARKLIFT.ini");
    }

    // Periods 1 to 9, which the scan takes without a message, and 10.
    static constexpr std::initializer_list<int> kAllTenPeriods = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

    void addPeriods(std::initializer_list<int> numbers) {
        for (int n : numbers) {
            const QString directory = QStringLiteral("DELVTP%1").arg(n);
            ASSERT_TRUE(QDir(dataDir_.path()).mkpath(directory));
            QFile tp(dataDir_.filePath(directory + QStringLiteral("/TP.DBF")));
            ASSERT_TRUE(tp.open(QIODevice::WriteOnly));
        }
    }

    void expectOneError(const std::string& text) {
        ASSERT_EQ(ui_.messages().size(), 1u);
        EXPECT_EQ(ui_.messages()[0].title, "Error");
        EXPECT_EQ(ui_.messages()[0].text, text);
        EXPECT_EQ(ui_.messages()[0].icon, MessageIcon::Error);
        EXPECT_EQ(ui_.messages()[0].buttons, MessageButtons::Ok);
    }

    QTemporaryDir programDir_;
    QTemporaryDir dataDir_;
    ScriptedUserInterface ui_;
    FakeClock clock_{LocalDateTime{kToday, 9, 30}};
    std::vector<std::string> namesRead_;
};

// -- Creation ---------------------------------------------------------------

TEST_F(MainFormTest, EveryControlStartsWithItsCaptionAndState) {
    auto form = makeForm();
    const struct {
        const char* name;
        QWidget* control;
        const char* caption;
        bool enabled;
    } controls[] = {
        {"Label4", form->Label4, "ZOLT", true},
        {"Label2", form->Label2, "Testing Periods:", true},
        {"rgSearch", form->rgSearch, "&Search", true},
        {"Temporary", form->rgSearch->button(0), "Temporary", true},
        {"Master", form->rgSearch->button(1), "Master", true},
        {"GroupBox1", form->GroupBox1, "Date Selection:", true},
        {"rbAllDates", form->rbAllDates, "All Dates", true},
        {"rbSelectedDates", form->rbSelectedDates, "Selected Dates", true},
        {"btnToday", form->btnToday, "&Today", false},
        {"lblBegDate", form->lblBegDate, "&Begin Date:", false},
        {"lblEndDate", form->lblEndDate, "&End Date:", false},
        {"btnAuto", form->btnAuto, "&Auto Prepare", false},
        {"btnFind", form->btnFind, "&Find", false},
        {"btnSettings", form->btnSettings, "&Settings", true},
        {"CloselBtn", form->CloselBtn, "&Close", true},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.control, nullptr);
        EXPECT_EQ(caption(c.control), QString::fromLatin1(c.caption));
        EXPECT_EQ(c.control->isEnabled(), c.enabled);
    }
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Prepare ZOLT Upload File for PeopleSoft"));
    EXPECT_EQ(form->rgSearch->itemIndex(), 0);
    EXPECT_TRUE(form->rbAllDates->isChecked());
    EXPECT_FALSE(form->rbSelectedDates->isChecked());
    EXPECT_FALSE(form->edtBegDate->isEnabled());
    EXPECT_FALSE(form->edtEndDate->isEnabled());
    EXPECT_TRUE(form->edtBegDate->date().isZero());
    EXPECT_TRUE(form->edtEndDate->date().isZero());
    EXPECT_EQ(form->lblBegDate->buddy(), form->edtBegDate);
    EXPECT_EQ(form->lblEndDate->buddy(), form->edtEndDate);
    EXPECT_EQ(form->ListBox2->count(), 0);
    EXPECT_EQ(form->ListBox2->selectedRow(), -1);
    EXPECT_EQ(form->ProgressBar1->minimum(), 0);
    EXPECT_EQ(form->ProgressBar1->maximum(), 100);
    EXPECT_EQ(form->ProgressBar1->parentWidget(), form->StatusBar1);
    EXPECT_EQ(form->lblVersion->parentWidget(), form->StatusBar1);
    EXPECT_EQ(form->lblVersion->text(), QStringLiteral("Marklift ") + kMarkliftVersion);
    EXPECT_TRUE(form->GroupBox1->isAncestorOf(form->edtEndDate));
}

TEST_F(MainFormTest, CreationSetsTheProgramDirectoryFromTheExecutable) {
    Settings().ProgramDir = "elsewhere\\";
    TMarkliftMainForm form(ui_, clock_);
    const std::string& programDir = Settings().ProgramDir;
    ASSERT_FALSE(programDir.empty());
    EXPECT_EQ(programDir.back(), '\\');
    EXPECT_EQ(QDir(QString::fromStdString(nativePath(programDir))).canonicalPath(),
              QDir(QCoreApplication::applicationDirPath()).canonicalPath());
    // The test program's folder is writable: the settings file is beside it.
    EXPECT_EQ(Settings().SettingsFileName, programDir + "MARKLIFT.ini");
}

TEST_F(MainFormTest, ASettingsFileNamedOnTheCommandLineIsUsedAndItsFolderMade) {
    const std::string named = programDir_.path().toStdString() + "/new/folder/MY.ini";
    TMarkliftMainForm form(ui_, clock_, nullptr, named);
    EXPECT_EQ(Settings().SettingsFileName, named);
    EXPECT_TRUE(QDir(programDir_.filePath(QStringLiteral("new/folder"))).exists());
}

TEST_F(MainFormTest, OpensCentredOnTheScreen) {
    auto form = makeForm();
    const QPoint centre = form->screen()->availableGeometry().center();
    EXPECT_LE((form->geometry().center() - centre).manhattanLength(), 2);
}

// -- First activation ---------------------------------------------------------

TEST_F(MainFormTest, WithoutSettingsFileTheDefaultPathHasNoPeriods) {
    auto form = makeForm();
    activate(*form);
    expectOneError("Path to ZOLT is not set.");
    EXPECT_EQ(Settings().DataPath, "C:\\DELV\\");
    EXPECT_EQ(form->ListBox2->count(), 0);
    EXPECT_FALSE(form->btnFind->isEnabled());
    EXPECT_FALSE(form->btnAuto->isEnabled());
    EXPECT_EQ(Settings().SelectedPeriod, -1);
    EXPECT_EQ(form->rgSearch->itemIndex(), 0);
    EXPECT_TRUE(form->rbAllDates->isChecked());
}

TEST_F(MainFormTest, RestoresTheStoredChoicesAndSelectsTheRememberedPeriod) {
    addPeriods({1, 2, 3, 4, 5, 6, 7, 8, 9});
    writeIni(
        "[Testing Periods]\r\nZOLT From=3\r\n"
        "[ZOLT Export]\r\nSearch=1\r\nSelected Dates=1\r\n"
        "Begin Date=03/01/2004\r\nEnd Date=03/31/2004\r\nFile Format=2\r\n");
    auto form = makeForm();
    activate(*form);

    EXPECT_TRUE(ui_.messages().empty());
    ASSERT_EQ(form->ListBox2->count(), 11);
    const QAbstractItemModel* rows = form->ListBox2->model();
    EXPECT_EQ(rows->data(rows->index(0, 0)).toString(), QStringLiteral("1.  \tPeriod 1"));
    EXPECT_EQ(rows->data(rows->index(8, 0)).toString(), QStringLiteral("9.  \tPeriod 9"));
    EXPECT_EQ(rows->data(rows->index(9, 0)).toString(), QStringLiteral("10.  Testing Period 10"));
    EXPECT_EQ(rows->data(rows->index(10, 0)).toString(), QStringLiteral("11.  Testing Period 11"));
    EXPECT_EQ(form->ListBox2->selectedRow(), 2);
    EXPECT_EQ(Settings().SelectedPeriod, 2);
    EXPECT_EQ(Settings().PeriodDir, "DELVTP3\\");
    EXPECT_TRUE(form->btnFind->isEnabled());
    EXPECT_TRUE(form->btnAuto->isEnabled());
    EXPECT_EQ(Settings().FileFormat, 2);

    EXPECT_EQ(form->rgSearch->itemIndex(), 1);
    EXPECT_TRUE(form->rbSelectedDates->isChecked());
    EXPECT_TRUE(form->btnToday->isEnabled());
    EXPECT_TRUE(form->edtBegDate->isEnabled());
    EXPECT_EQ(form->edtBegDate->date(), mdy(3, 1, 2004));
    EXPECT_EQ(form->edtEndDate->date(), mdy(3, 31, 2004));
}

TEST_F(MainFormTest, AMissingPeriodStopsTheScanWithItsMessage) {
    addPeriods({1, 2, 3, 4, 6});
    writeIni("[Testing Periods]\r\nZOLT From=6\r\n");
    auto form = makeForm();
    activate(*form);
    expectOneError("Not all ZOLT Testing Periods have been initialized.  Contact DELV.");
    EXPECT_EQ(form->ListBox2->count(), 4);
    EXPECT_EQ(form->ListBox2->selectedRow(), -1);
    EXPECT_FALSE(form->btnFind->isEnabled());
}

TEST_F(MainFormTest, TheSearchChoiceShowsWhatWasStored) {
    const struct {
        const char* stored;
        int shown;
    } cases[] = {{"0", 0}, {"1", 1}, {"7", 1}, {"-3", -1}, {"0x1", 1}};
    addPeriods({1});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        writeIni(std::string("[ZOLT Export]\r\nSearch=") + c.stored + "\r\n");
        auto form = makeForm();
        activate(*form);
        EXPECT_EQ(form->rgSearch->itemIndex(), c.shown);
    }
}

TEST_F(MainFormTest, StoredDatesThatAreZeroOrNotDates) {
    addPeriods({1});
    writeIni(
        "[ZOLT Export]\r\nSelected Dates=1\r\nBegin Date=12/30/1899\r\nEnd Date=04/02/2004\r\n");
    {
        auto form = makeForm();
        activate(*form);
        EXPECT_TRUE(form->edtBegDate->date().isZero());
        EXPECT_EQ(form->edtBegDate->findChild<QLineEdit*>()->text(), QString());
        EXPECT_EQ(form->edtEndDate->date(), mdy(4, 2, 2004));
    }
    writeIni("[ZOLT Export]\r\nSelected Dates=1\r\nBegin Date=someday\r\nEnd Date=04/02/2004\r\n");
    {
        auto form = makeForm();
        activate(*form);
        EXPECT_EQ(form->edtBegDate->date(), kToday);
        EXPECT_EQ(form->edtEndDate->date(), kToday);
    }
}

TEST_F(MainFormTest, FirstActivationRunsOnce) {
    auto form = makeForm();
    activate(*form);
    form->hide();
    activate(*form);
    form->FormActivate();
    EXPECT_EQ(ui_.messages().size(), 1u);
}

// -- The rules of the controls -----------------------------------------------

TEST_F(MainFormTest, FindAndAutoPrepareNeedASelectedRow) {
    addPeriods({1, 2, 3});
    writeIni("");
    auto form = makeForm();
    activate(*form);
    ASSERT_FALSE(form->btnFind->isEnabled());

    const QRect second = form->ListBox2->visualRect(form->ListBox2->model()->index(1, 0));
    QTest::mouseClick(form->ListBox2->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(Settings().SelectedPeriod, 1);
    EXPECT_TRUE(form->btnFind->isEnabled());
    EXPECT_TRUE(form->btnAuto->isEnabled());

    QTest::keyClick(form->ListBox2, Qt::Key_Down);
    EXPECT_EQ(Settings().SelectedPeriod, 2);

    form->ListBox2->setSelectedRow(-1);
    EXPECT_EQ(Settings().SelectedPeriod, -1);
    EXPECT_FALSE(form->btnFind->isEnabled());
    EXPECT_FALSE(form->btnAuto->isEnabled());
}

TEST_F(MainFormTest, TheDateChoiceEnablesTheDateControls) {
    auto form = makeForm();
    activate(*form);
    form->edtBegDate->setDate(mdy(3, 15, 2004));
    QWidget* dateControls[] = {form->btnToday, form->edtBegDate, form->edtEndDate, form->lblBegDate,
                               form->lblEndDate};

    QTest::mouseClick(form->rbSelectedDates, Qt::LeftButton);
    for (QWidget* control : dateControls) EXPECT_TRUE(control->isEnabled());
    QTest::mouseClick(form->rbAllDates, Qt::LeftButton);
    for (QWidget* control : dateControls) EXPECT_FALSE(control->isEnabled());
    EXPECT_EQ(form->edtBegDate->date(), mdy(3, 15, 2004));
}

TEST_F(MainFormTest, TodaySetsBothPickersToTheClocksDate) {
    auto form = makeForm();
    activate(*form);
    QTest::mouseClick(form->rbSelectedDates, Qt::LeftButton);
    QTest::mouseClick(form->btnToday, Qt::LeftButton);
    EXPECT_EQ(form->edtBegDate->date(), kToday);
    EXPECT_EQ(form->edtEndDate->date(), kToday);
}

// -- Find and Auto Prepare ----------------------------------------------------

struct DateCheckCase {
    const char* name;
    bool selectedDates;
    Date begin;
    Date end;
    const char* error;  // nullptr: the check passes
    const char* filter;
};

class FindAndAutoTest : public MainFormTest {
protected:
    // Selects period 2, sets the date choice and presses `button`; returns
    // whether the action behind it ran.
    bool press(QPushButton* TMarkliftMainForm::*button, const DateCheckCase& c) {
        addPeriods(kAllTenPeriods);
        writeIni("");
        auto form = makeForm();
        activate(*form);
        bool ran = false;
        form->setFindAction([&ran] { ran = true; });
        form->setAutoPrepareAction([&ran] { ran = true; });
        form->ListBox2->setSelectedRow(1);
        (c.selectedDates ? form->rbSelectedDates : form->rbAllDates)->click();
        form->edtBegDate->setDate(c.begin);
        form->edtEndDate->setDate(c.end);
        QTest::mouseClick(form.get()->*button, Qt::LeftButton);
        return ran;
    }
};

const DateCheckCase kDateChecks[] = {
    {"all dates", false, mdy(3, 15, 2004), Date(), nullptr, ""},
    {"empty begin", true, Date(), mdy(3, 15, 2004), "The selected dates must be entered.", nullptr},
    {"empty end", true, mdy(3, 15, 2004), Date(), "The selected dates must be entered.", nullptr},
    {"begin after end", true, mdy(3, 15, 2004), mdy(3, 14, 2004),
     "The Begin Date cannot be later than the End Date.", nullptr},
    {"same day", true, mdy(3, 15, 2004), mdy(3, 15, 2004), nullptr,
     "(DTOS(Date) >= \"20040315\") .and. (DTOS(Date) <= \"20040315\")"},
    {"range", true, mdy(12, 31, 2003), mdy(1, 2, 2004), nullptr,
     "(DTOS(Date) >= \"20031231\") .and. (DTOS(Date) <= \"20040102\")"},
};

TEST_F(FindAndAutoTest, CheckTheDatesBeforeGoingOn) {
    for (auto button : {&TMarkliftMainForm::btnFind, &TMarkliftMainForm::btnAuto}) {
        for (const DateCheckCase& c : kDateChecks) {
            SCOPED_TRACE(c.name);
            ui_ = ScriptedUserInterface();
            Settings() = ProgramSettings();
            Settings().DateFilter = "before";
            const bool ran = press(button, c);
            EXPECT_EQ(Settings().PeriodDir, "DELVTP2\\");
            if (c.error) {
                expectOneError(c.error);
                EXPECT_FALSE(ran);
                EXPECT_EQ(Settings().DateFilter, "before");
            } else {
                EXPECT_TRUE(ui_.messages().empty());
                EXPECT_TRUE(ran);
                EXPECT_EQ(Settings().DateFilter, c.filter);
                EXPECT_TRUE(Settings().SearchTemporary);
            }
        }
    }
}

// A typed date that is no date never turns into another date: Find and
// Auto Prepare refuse it and send the user back to it.
TEST_F(MainFormTest, ADateThatIsNoDateIsRefusedWhereItWasTyped) {
    addPeriods(kAllTenPeriods);
    writeIni("");
    auto form = makeForm();
    activate(*form);
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    bool ran = false;
    form->setFindAction([&ran] { ran = true; });
    form->setAutoPrepareAction([&ran] { ran = true; });
    form->ListBox2->setSelectedRow(1);
    form->rbSelectedDates->click();
    form->edtBegDate->setDate(mdy(3, 1, 2026));
    form->edtEndDate->setDate(mdy(3, 9, 2026));
    QLineEdit* endText = form->edtEndDate->findChild<QLineEdit*>();
    for (auto button : {&TMarkliftMainForm::btnFind, &TMarkliftMainForm::btnAuto}) {
        ui_ = ScriptedUserInterface();
        endText->setText(QStringLiteral("13/45/2026"));
        (form.get()->*button)->click();
        expectOneError("'13/45/2026' is not a valid date.");
        EXPECT_FALSE(ran);
        EXPECT_TRUE(endText->hasFocus());
        EXPECT_EQ(endText->text(), QStringLiteral("13/45/2026"));
    }
    // Put right, it is taken.
    ui_ = ScriptedUserInterface();
    endText->setText(QStringLiteral("03/09/2026"));
    form->btnFind->click();
    EXPECT_TRUE(ui_.messages().empty());
    EXPECT_TRUE(ran);
}

TEST_F(MainFormTest, WithNeitherSearchButtonFindSearchesMaster) {
    addPeriods({1});
    writeIni("[ZOLT Export]\r\nSearch=-3\r\n");
    auto form = makeForm();
    activate(*form);
    Settings().SearchTemporary = true;
    form->ListBox2->setSelectedRow(0);
    form->btnFind->click();
    EXPECT_FALSE(Settings().SearchTemporary);
}

TEST_F(MainFormTest, AnErrorInAnActionIsShownUnderTheApplicationTitle) {
    addPeriods(kAllTenPeriods);
    writeIni("");
    auto form = makeForm();
    activate(*form);
    form->setFindAction([] { throw std::runtime_error("The build went wrong."); });
    form->ListBox2->setSelectedRow(0);
    form->btnFind->click();
    ASSERT_EQ(ui_.messages().size(), 1u);
    EXPECT_EQ(ui_.messages()[0].title, kApplicationTitle);
    EXPECT_EQ(ui_.messages()[0].text, "The build went wrong.");
    EXPECT_EQ(ui_.messages()[0].icon, MessageIcon::Error);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(MainFormTest, GivingUpOnATableEndsTheRunWithTheShutdownWrites) {
    addPeriods({1, 2});
    writeIni("");
    auto form = makeForm();
    activate(*form);
    form->setAutoPrepareAction([] { throw ProgramCancelled(); });
    form->ListBox2->setSelectedRow(1);
    form->btnAuto->click();
    EXPECT_TRUE(form->isVisible());  // ends once back in the event loop
    QCoreApplication::processEvents();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(iniFile().readString("Testing Periods", "ZOLT From", ""), "2");
}

TEST_F(MainFormTest, GivingUpDuringTheScanEndsTheRun) {
    addPeriods({1, 2, 3});
    writeIni("");
    auto form = makeForm();
    form->setPeriodNameReader([](const std::string& directory, UserInterface&) -> std::string {
        if (directory.find("DELVTP2") != std::string::npos) throw ProgramCancelled();
        return "x";
    });
    activate(*form);
    QCoreApplication::processEvents();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(ui_.messages().empty());
    EXPECT_EQ(iniFile().readString("ZOLT Export", "Selected Dates", "?"), "0");
}

TEST_F(MainFormTest, SettingsGoesToItsAction) {
    auto form = makeForm();
    bool opened = false;
    form->setSettingsAction([&opened] { opened = true; });
    QTest::mouseClick(form->btnSettings, Qt::LeftButton);
    EXPECT_TRUE(opened);
}

// -- Shutdown ---------------------------------------------------------------

TEST_F(MainFormTest, ClosingWritesThePeriodSearchAndDates) {
    addPeriods({1, 2, 3});
    writeIni("[Testing Periods]\r\nZOLT From=1\r\n");
    auto form = makeForm();
    activate(*form);
    form->ListBox2->setSelectedRow(1);
    form->rgSearch->setItemIndex(1);
    form->rbSelectedDates->click();
    form->edtBegDate->setDate(mdy(3, 15, 2004));
    form->edtEndDate->setDate(Date());
    QTest::mouseClick(form->CloselBtn, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());

    const SettingsFile ini = iniFile();
    EXPECT_EQ(ini.readString("Testing Periods", "ZOLT From", ""), "2");
    EXPECT_EQ(ini.readString("ZOLT Export", "Search", ""), "1");
    EXPECT_EQ(ini.readString("ZOLT Export", "Selected Dates", ""), "1");
    EXPECT_EQ(ini.readString("ZOLT Export", "Begin Date", ""), "03/15/2004");
    EXPECT_EQ(ini.readString("ZOLT Export", "End Date", ""), "12/30/1899");
}

TEST_F(MainFormTest, ClosingWithoutASelectedRowKeepsTheRememberedPeriod) {
    addPeriods({1, 2});
    writeIni("[Testing Periods]\r\nZOLT From=9\r\n[ZOLT Export]\r\nSearch=-3\r\n");
    auto form = makeForm();
    activate(*form);
    ASSERT_EQ(form->ListBox2->selectedRow(), -1);
    form->edtBegDate->setDate(mdy(1, 2, 2003));
    form->close();
    const SettingsFile ini = iniFile();
    EXPECT_EQ(ini.readString("Testing Periods", "ZOLT From", ""), "9");
    EXPECT_EQ(ini.readString("ZOLT Export", "Search", ""), "-1");
    EXPECT_EQ(ini.readString("ZOLT Export", "Selected Dates", ""), "0");
    EXPECT_EQ(ini.readString("ZOLT Export", "Begin Date", ""), "01/02/2003");
}

TEST_F(MainFormTest, AFailedShutdownWriteIsShownAndTheWindowStillCloses) {
    auto form = makeForm();
    activate(*form);
    Settings().SettingsFileName = programDir_.path().toStdString() + "/missing/MARKLIFT.ini";
    ui_ = ScriptedUserInterface();
    form->close();
    ASSERT_EQ(ui_.messages().size(), 1u);
    EXPECT_EQ(ui_.messages()[0].title, kApplicationTitle);
    EXPECT_EQ(ui_.messages()[0].text,
              "Unable to write to " + programDir_.path().toStdString() + "/missing/MARKLIFT.ini");
    EXPECT_FALSE(form->isVisible());
}

// -- A second copy ------------------------------------------------------------

TEST_F(MainFormTest, ASecondCopyRaisesTheFirstAndEndsAfterItsActivation) {
    const QString name =
        QStringLiteral("marklift-test-") + QUuid::createUuid().toString(QUuid::Id128);
    SingleInstanceGuard firstCopy(name);
    QSignalSpy raised(&firstCopy, &SingleInstanceGuard::activationRequested);
    SingleInstanceGuard guard(name);
    ASSERT_TRUE(guard.isSecondCopy());

    addPeriods({1, 2});
    writeIni("[Testing Periods]\r\nZOLT From=2\r\n[ZOLT Export]\r\nSearch=1\r\n");
    auto form = makeForm(&guard);
    activate(*form);

    // The activation ran all the same, out of sight.
    const QRect screen = form->screen()->geometry();
    EXPECT_EQ(form->geometry().topLeft(), QPoint(screen.width() + 1, screen.height() + 1));
    EXPECT_LE(form->width(), 1);
    EXPECT_LE(form->height(), 1);
    EXPECT_EQ(form->ListBox2->count(), 2);
    EXPECT_TRUE(raised.wait(2000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(form->isVisible());
    // Its shutdown wrote back what it had read.
    EXPECT_EQ(iniFile().readString("Testing Periods", "ZOLT From", ""), "2");
    EXPECT_EQ(iniFile().readString("ZOLT Export", "Search", ""), "1");
    EXPECT_EQ(iniFile().readString("ZOLT Export", "Begin Date", ""), "12/30/1899");
    QFile::remove(SingleInstanceGuard::lockFileName(name));
}

}  // namespace
}  // namespace marklift
