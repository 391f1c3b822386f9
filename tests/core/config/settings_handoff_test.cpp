// The Settings click around the dialog: what it fills in, the code tables'
// files copied aside and back (byte for byte, around a rebuild and around
// one edited code; tables the dialog made gone again; copies that fail kept
// and told), the program-wide settings Cancel puts back, and what OK writes
// to MARKLIFT.ini and in which order.
#include "core/config/settings_handoff.h"

#include <gtest/gtest.h>

#include "core/config/code_table_backup.h"
#include "core/session/program_error.h"
#include "core/worktable/code_tables.h"
#include "support/child_process.h"
#include "support/data_directory.h"
#include "support/scripted_user_interface.h"

using namespace marklift;
using marklift::testing::DataDirectory;
using marklift::testing::Row;

namespace {

const char* const kCodeFiles[] = {"BANPLACE.DBF", "BANPLACE.CDX", "BANTEST.DBF", "BANTEST.CDX"};
const char* const kBackups[] = {"BANPLACx.DBF", "BANPLACx.CDX", "BANTESTx.DBF", "BANTESTx.CDX"};

// Stands in for the settings dialog: it works on the live code tables the
// way the real one does, and like it posts a pending edit and closes its
// tables only when destroyed.
class FakeDialog : public SettingsDialog {
public:
    using Run = std::function<bool(FakeDialog&)>;
    FakeDialog(std::vector<std::string>& journal, Run run)
        : journal_(journal), run_(std::move(run)) {}
    ~FakeDialog() override {
        for (XbaseTable* table : {&placement, &test}) {
            if (table->State() == EditState::Edit || table->State() == EditState::Insert)
                table->Post();
            table->Close();
        }
        journal_.push_back("discard");
    }

    void setValues(const SettingsDialogValues& values) override {
        journal_.push_back("fill");
        values_ = values;
    }
    bool execute() override {
        journal_.push_back("execute");
        return run_(*this);
    }
    SettingsDialogValues values() const override { return values_; }

    SettingsDialogValues values_;
    XbaseTable placement, test, source, previous;
    ScriptedUserInterface ui;

private:
    std::vector<std::string>& journal_;
    Run run_;
};

class SettingsHandOffTest : public ::testing::Test {
protected:
    SettingsHandOffTest() {
        settings.SettingsFileName = program.path() + "MARKLIFT.ini";
        settings.DataPath = data.path();
        settings.IncludePlacementRecords = true;
        settings.IncludeScoreRecords = true;
        settings.IncludeSubscores = true;
        settings.FileFormat = 2;
    }

    // Period 1's LEVELS and TEST, and a period 2 with other codes.
    void sources() {
        const char levels[] = "CODE,C,4,0;PLACEMENT,C,30,0;COMMENT,C,30,0;";
        const char tests[] = "CODE,C,4,0;TEST,C,15,0;FORM,C,6,0;";
        data.createTable("DELVTP1\\", "LEVELS", levels,
                         {Row{{"CODE", "EN1"}, {"PLACEMENT", "ENGLISH"}, {"COMMENT", "ONE"}},
                          Row{{"CODE", "MA1"}, {"PLACEMENT", "MATH"}, {"COMMENT", "ONE"}}});
        data.createTable("DELVTP2\\", "LEVELS", levels,
                         {Row{{"CODE", "RD2"}, {"PLACEMENT", "READING"}, {"COMMENT", "TWO"}}});
        data.createTable("DELVTP1\\", "TEST", tests,
                         {Row{{"CODE", "A1"}, {"TEST", "ALGEBRA"}, {"FORM", "F1"}},
                          Row{{"CODE", "S1"}, {"TEST", "SCORE"}, {"FORM", "F1"}}});
    }
    // Code tables built from period 1.
    void codeTables() {
        sources();
        ScriptedUserInterface ui;
        XbaseTable codes, source, previous;
        OpenPlacementTable(codes, data.path(), ui);
        BuildPlacementCodes(codes, source, previous, data.path(), 1, ui);
        codes.Close();
        OpenTestTable(codes, data.path(), ui);
        BuildTestCodes(codes, source, previous, data.path(), 1, ui);
        codes.Close();
        before = fileBytes(kCodeFiles);
    }

    std::vector<std::string> fileBytes(const char* const (&names)[4]) const {
        std::vector<std::string> bytes;
        for (const char* name : names) bytes.push_back(data.bytes(name));
        return bytes;
    }
    std::vector<std::string> existing(const char* const (&names)[4]) const {
        std::vector<std::string> found;
        for (const char* name : names)
            if (data.exists(name)) found.push_back(name);
        return found;
    }

    bool run(FakeDialog::Run dialogRun) {
        return RunSettingsHandOff(
            std::make_unique<FakeDialog>(journal, std::move(dialogRun)), settings, file,
            [this] { journal.push_back("rescan"); }, ui);
    }
    std::string iniText() const { return program.bytes("MARKLIFT.ini"); }

    DataDirectory data{"handoff-data"};
    DataDirectory program{"handoff-program"};
    ProgramSettings settings;
    SettingsFile file{program.path() + "MARKLIFT.ini"};
    std::vector<std::string> journal;
    std::vector<std::string> before;
    ScriptedUserInterface ui;  // the hand-off's own messages
};

// The dialog's work in these tests.
bool RebuildPlacementFromPeriod2(FakeDialog& d) {
    OpenPlacementTable(d.placement, d.values_.directory, d.ui);
    BuildPlacementCodes(d.placement, d.source, d.previous, d.values_.directory, 2, d.ui);
    return false;
}
// Types a new code for the first test code and leaves the row unposted.
void EditOneTestCode(FakeDialog& d) {
    OpenTestTable(d.test, d.values_.directory, d.ui);
    d.test.Edit();
    d.test.SetText("NEWCODE", "ZZZ");
}

TEST(SettingsDialogValuesTest, FilledFromTheProgramWideSettings) {
    ProgramSettings settings;
    settings.DataPath = "D:\\ZOLT\\";
    settings.IncludeAssessmentRecords = true;
    settings.IncludeAttempted = true;
    settings.IncludeSiteCode = true;
    settings.FileFormat = 1;
    SettingsDialogValues expected{"D:\\ZOLT\\", false, true, false, 1, false, true, false, true};
    EXPECT_EQ(DialogValuesFromSettings(settings), expected);
    settings.IncludePlacementRecords = true;
    settings.IncludeScoreRecords = true;
    settings.IncludePurposeAndAccommodation = true;
    settings.IncludeSubscores = true;
    settings.IncludeAttempted = false;
    expected = {"D:\\ZOLT\\", true, true, true, 1, true, false, true, true};
    EXPECT_EQ(DialogValuesFromSettings(settings), expected);
}

TEST(SettingsDialogValuesTest, FileTypeLimitedToTheDialogsItems) {
    const std::pair<int, int> cases[] = {{0, 0}, {3, 3}, {4, 3}, {7, 3}, {-1, -1}, {-7, -1}};
    for (const auto& [stored, shown] : cases) {
        ProgramSettings settings;
        settings.FileFormat = stored;
        EXPECT_EQ(DialogValuesFromSettings(settings).fileFormat, shown) << "stored " << stored;
    }
}

TEST_F(SettingsHandOffTest, CancelAfterARebuildPutsTheFilesBackAndLeavesNoBackup) {
    codeTables();
    run([](FakeDialog& d) {
        RebuildPlacementFromPeriod2(d);
        EXPECT_EQ(d.ui.messageTexts(), std::vector<std::string>{kRebuildPlacementQuestion});
        return false;
    });
    EXPECT_NE(data.read("", "BANTEMP", {"CODE"}).size(), 0u);  // the rebuild did run
    EXPECT_EQ(fileBytes(kCodeFiles), before);
    EXPECT_TRUE(existing(kBackups).empty());
    EXPECT_EQ(journal, (std::vector<std::string>{"fill", "execute", "discard"}));
    EXPECT_FALSE(program.exists("MARKLIFT.ini"));
}

TEST_F(SettingsHandOffTest, CancelAfterOneEditedCodeRestoresTheFilesAfterTheDialogPostedIt) {
    codeTables();
    run([](FakeDialog& d) {
        EditOneTestCode(d);
        return false;
    });
    // The dialog posts the edit when it is discarded; restoring first would
    // let that post reach the restored file.
    EXPECT_EQ(fileBytes(kCodeFiles), before);
    EXPECT_TRUE(existing(kBackups).empty());
}

TEST_F(SettingsHandOffTest, OkKeepsTheDialogsChangesAndTheBackups) {
    codeTables();
    run([](FakeDialog& d) {
        EditOneTestCode(d);
        return true;
    });
    EXPECT_EQ(fileBytes(kBackups), before);
    EXPECT_NE(data.bytes("BANTEST.DBF"), before[2]);
    EXPECT_EQ(data.read("", "BANTEST", {"NEWCODE"})[0][0], "ZZZ");
}

TEST_F(SettingsHandOffTest, OkWithoutChangesWritesBothPathsAndTheEightKeysInOrder) {
    codeTables();
    const bool rescanned = run([](FakeDialog&) { return true; });
    EXPECT_FALSE(rescanned);
    EXPECT_EQ(journal, (std::vector<std::string>{"fill", "execute", "discard"}));
    const std::string p = data.path();
    EXPECT_EQ(iniText(), "[Directories]\r\nZOLT Path=" + p +
                             "\r\n\r\n[ZOLT Export]\r\n"
                             "ZOLT Path=" +
                             p +
                             "\r\n"
                             "Include Placement Records=1\r\n"
                             "Include Assessment Records=0\r\n"
                             "Include Score Records=1\r\n"
                             "File Format=2\r\n"
                             "Include Purpose and Accommodation=0\r\n"
                             "Include Attempted=0\r\n"
                             "Include Subscores=1\r\n"
                             "Include Site Code=0\r\n");
    EXPECT_EQ(existing(kBackups),
              std::vector<std::string>(std::begin(kBackups), std::end(kBackups)));
}

TEST_F(SettingsHandOffTest, OkTakesTheValuesBack) {
    const SettingsDialogValues chosen{data.path(), false, true, false, -1, true, true, false, true};
    run([&](FakeDialog& d) {
        d.values_ = chosen;
        return true;
    });
    EXPECT_EQ(DialogValuesFromSettings(settings), chosen);
    EXPECT_EQ(settings.FileFormat, -1);
    EXPECT_EQ(file.read(settings_keys::kFileFormat), -1);
    EXPECT_TRUE(file.read(settings_keys::kIncludeSiteCode));
    EXPECT_FALSE(file.read(settings_keys::kIncludeScoreRecords));
}

TEST_F(SettingsHandOffTest, ADirectoryTextThatDiffersInAnyWayScansBeforeAnythingIsWritten) {
    // The directory is only compared and stored here, never opened.
    const std::string old = "D:\\ZOLT\\";
    struct Case {
        std::string text;
        bool rescan;
        std::string dataPath;
    };
    const Case cases[] = {{old, false, old},
                          {"D:\\ZOLT", true, old},
                          {"d:\\zolt\\", true, "d:\\zolt\\"},
                          {"D:\\Other", true, "D:\\Other\\"}};
    for (const Case& c : cases) {
        settings.DataPath = old;
        deleteFile(program.path() + "MARKLIFT.ini");
        int scans = 0;
        SettingsDialogValues values = DialogValuesFromSettings(settings);
        values.directory = c.text;
        const bool rescanned = AcceptSettingsDialog(values, settings, file, [&] {
            ++scans;
            EXPECT_FALSE(program.exists("MARKLIFT.ini")) << c.text;
            EXPECT_EQ(settings.DataPath, c.dataPath) << c.text;
        });
        EXPECT_EQ(rescanned, c.rescan) << c.text;
        EXPECT_EQ(scans, c.rescan ? 1 : 0) << c.text;
        EXPECT_EQ(settings.DataPath, c.dataPath);
        EXPECT_EQ(file.read(settings_keys::kZoltPath), c.dataPath);
        EXPECT_EQ(file.readString("ZOLT Export", "ZOLT Path", ""), c.dataPath);
    }
}

TEST_F(SettingsHandOffTest, AScanTheUserCancelledStoresNothing) {
    SettingsDialogValues values = DialogValuesFromSettings(settings);
    values.directory = "D:\\Elsewhere";
    values.fileFormat = 3;
    EXPECT_THROW(AcceptSettingsDialog(values, settings, file, [] { throw ProgramCancelled(); }),
                 ProgramCancelled);
    EXPECT_FALSE(program.exists("MARKLIFT.ini"));
    EXPECT_EQ(settings.FileFormat, 2);
}

TEST_F(SettingsHandOffTest, CancelWithoutCodeTablesCreatesNothing) {
    run([](FakeDialog&) { return false; });
    EXPECT_TRUE(existing(kCodeFiles).empty());
    EXPECT_TRUE(existing(kBackups).empty());
}

TEST_F(SettingsHandOffTest, CancelRemovesTheCodeTablesTheDialogMade) {
    sources();
    const std::vector<std::string> files = data.entries();
    run([](FakeDialog& d) {
        OpenPlacementTable(d.placement, d.values_.directory, d.ui);
        BuildPlacementCodes(d.placement, d.source, d.previous, d.values_.directory, 1, d.ui);
        OpenTestTable(d.test, d.values_.directory, d.ui);
        return false;
    });
    EXPECT_EQ(data.entries(), files);
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(SettingsHandOffTest, CancelRemovesAnIndexThatWasNotThere) {
    codeTables();
    ASSERT_TRUE(deleteFile(data.path() + "BANPLACE.CDX"));
    run(RebuildPlacementFromPeriod2);
    EXPECT_EQ(data.bytes("BANPLACE.DBF"), before[0]);
    EXPECT_FALSE(data.exists("BANPLACE.CDX"));
    EXPECT_EQ(data.bytes("BANTEST.DBF"), before[2]);
    EXPECT_EQ(data.bytes("BANTEST.CDX"), before[3]);
    EXPECT_TRUE(existing(kBackups).empty());
}

TEST_F(SettingsHandOffTest, BackupsOfTablesThatWereNotThereAreNeitherRestoredNorRemoved) {
    for (const char* name : kBackups) data.writeBytes(name, std::string("old ") + name);
    run([](FakeDialog& d) {
        OpenPlacementTable(d.placement, d.values_.directory, d.ui);
        OpenTestTable(d.test, d.values_.directory, d.ui);
        return false;
    });
    EXPECT_TRUE(existing(kCodeFiles).empty());
    EXPECT_EQ(fileBytes(kBackups),
              (std::vector<std::string>{"old BANPLACx.DBF", "old BANPLACx.CDX", "old BANTESTx.DBF",
                                        "old BANTESTx.CDX"}));
}

TEST_F(SettingsHandOffTest, CancelPutsBackTheProgramWideSettingsTheDialogChanged) {
    // The file type the dialog's handler sets at once: by a click, or when
    // filled with a stored value it has no item for.
    const std::pair<int, int> cases[] = {{2, 1}, {7, 3}, {-1, 0}};
    for (const auto& [stored, chosen] : cases) {
        settings.FileFormat = stored;
        run([&, chosen = chosen](FakeDialog&) {
            settings.FileFormat = chosen;
            return false;
        });
        EXPECT_EQ(settings.FileFormat, stored);
    }
    EXPECT_FALSE(program.exists("MARKLIFT.ini"));
}

TEST_F(SettingsHandOffTest, ADialogEndedByGivingUpATableIsUndoneAsCancelUndoesIt) {
    codeTables();
    EXPECT_THROW(run([&](FakeDialog& d) -> bool {
                     RebuildPlacementFromPeriod2(d);
                     settings.FileFormat = 3;
                     throw ProgramCancelled();
                 }),
                 ProgramCancelled);
    EXPECT_EQ(fileBytes(kCodeFiles), before);
    EXPECT_TRUE(existing(kBackups).empty());
    EXPECT_EQ(settings.FileFormat, 2);
}

// A file no copy can replace: a directory in its place, with something in it.
void BlockWithDirectory(const DataDirectory& data, const std::string& name) {
    ASSERT_TRUE(!data.exists(name) || deleteFile(data.path() + name));
    data.makeDirectory(name);
    data.writeBytes(name + "\\keep", "x");
}

TEST_F(SettingsHandOffTest, ATableThatCannotBeRestoredKeepsItsBackupAndTheUserIsTold) {
    codeTables();
    std::vector<std::string> left;
    run([&](FakeDialog& d) {
        RebuildPlacementFromPeriod2(d);
        d.placement.Close();
        BlockWithDirectory(data, "BANPLACE.CDX");
        left = {data.bytes("BANPLACE.DBF")};
        return false;
    });
    // Neither of the table's files is put back, so they stay a pair.
    EXPECT_EQ(data.bytes("BANPLACE.DBF"), left[0]);
    EXPECT_EQ(data.bytes("BANPLACx.DBF"), before[0]);
    EXPECT_EQ(data.bytes("BANPLACx.CDX"), before[1]);
    EXPECT_EQ(data.bytes("BANTEST.DBF"), before[2]);
    EXPECT_EQ(data.bytes("BANTEST.CDX"), before[3]);
    EXPECT_FALSE(data.exists("BANTESTx.DBF"));
    EXPECT_FALSE(data.exists("BANTESTx.CDX"));
    ASSERT_EQ(ui.messages().size(), 1u);
    const RecordedMessage& told = ui.messages()[0];
    EXPECT_EQ(told.title, "Error");
    EXPECT_EQ(told.icon, MessageIcon::Error);
    const std::string p = data.path();
    EXPECT_EQ(told.text.rfind("Unable to restore the code table " + p + "BANPLACE: ", 0), 0u)
        << told.text;
    EXPECT_NE(told.text.find("\r\nIts backup is kept in " + p + "BANPLACx.DBF and " + p +
                             "BANPLACx.CDX."),
              std::string::npos)
        << told.text;
}

TEST_F(SettingsHandOffTest, ATableThatCannotBeCopiedAsideIsToldAndLeftAsTheDialogLeavesIt) {
    codeTables();
    BlockWithDirectory(data, "BANPLACx.CDX");
    std::vector<std::string> left;
    run([&](FakeDialog& d) {
        RebuildPlacementFromPeriod2(d);
        d.placement.Close();
        left = {data.bytes("BANPLACE.DBF"), data.bytes("BANPLACE.CDX")};
        return false;
    });
    EXPECT_EQ(data.bytes("BANPLACE.DBF"), left[0]);
    EXPECT_EQ(data.bytes("BANPLACE.CDX"), left[1]);
    EXPECT_FALSE(data.exists("BANPLACx.DBF"));
    EXPECT_EQ(data.bytes("BANTEST.DBF"), before[2]);
    EXPECT_EQ(data.bytes("BANTEST.CDX"), before[3]);
    ASSERT_EQ(ui.messages().size(), 1u);
    const std::string& text = ui.messages()[0].text;
    EXPECT_EQ(text.rfind("Unable to copy the code table " + data.path() + "BANPLACE aside: ", 0),
              0u)
        << text;
    EXPECT_NE(text.find("\r\nCancel will not undo changes to it."), std::string::npos) << text;
}

// Every copy goes through a temporary file: one cut short, as by a full
// disk, leaves its target whole and nothing beside it.
TEST_F(SettingsHandOffTest, CopiesCutShortByAFullDiskLeaveEveryFileWhole) {
    codeTables();
    const CodeTableBackups backups = BackupCodeTables(data.path(), ui);
    EXPECT_EQ(fileBytes(kBackups), before);
    {
        ScriptedUserInterface quiet;
        XbaseTable codes, source, previous;
        OpenPlacementTable(codes, data.path(), quiet);
        BuildPlacementCodes(codes, source, previous, data.path(), 2, quiet);
    }
    const std::vector<std::string> changed = fileBytes(kCodeFiles);
    const std::vector<std::string> files = data.entries();
    const marklift::testing::ChildResult restore = marklift::testing::RunInChild([&] {
        marklift::testing::LimitFileSize(100);  // less than any of the files
        ScriptedUserInterface childUi;
        RestoreCodeTables(backups, childUi);
        return std::to_string(childUi.messages().size());
    });
    EXPECT_EQ(restore.status, 0) << restore.report;
    EXPECT_EQ(restore.report, "2");  // one message for each table
    EXPECT_EQ(fileBytes(kCodeFiles), changed);
    EXPECT_EQ(fileBytes(kBackups), before);
    EXPECT_EQ(data.entries(), files);

    const marklift::testing::ChildResult backup = marklift::testing::RunInChild([&] {
        marklift::testing::LimitFileSize(100);
        ScriptedUserInterface childUi;
        BackupCodeTables(data.path(), childUi);
        return std::to_string(childUi.messages().size());
    });
    EXPECT_EQ(backup.status, 0) << backup.report;
    EXPECT_EQ(backup.report, "2");
    EXPECT_EQ(fileBytes(kBackups), before);
    EXPECT_EQ(data.entries(), files);
}

TEST_F(SettingsHandOffTest, BackupsReplaceOlderOnesAndOnlyExistingFilesAreCopied) {
    codeTables();
    data.writeBytes("BANPLACx.DBF", "stale");
    ASSERT_TRUE(deleteFile(data.path() + "BANTEST.CDX"));
    BackupCodeTables(data.path(), ui);
    EXPECT_EQ(data.bytes("BANPLACx.DBF"), before[0]);
    EXPECT_EQ(data.bytes("BANPLACx.CDX"), before[1]);
    EXPECT_EQ(data.bytes("BANTESTx.DBF"), before[2]);
    EXPECT_FALSE(data.exists("BANTESTx.CDX"));
}

}  // namespace
