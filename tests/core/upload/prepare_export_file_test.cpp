// PrepareExportFile over a real work table: the upload records it composes,
// their order, the file types, the three outcomes and their messages, and
// what every way out leaves behind.
#include "core/upload/prepare_export_file.h"

#include <gtest/gtest.h>

#include "core/config/program_settings.h"
#include "core/session/application.h"
#include "core/session/program_error.h"
#include "core/upload/csv_export.h"
#include "core/upload/upload_record.h"
#include "support/export_test_support.h"
#include "support/scripted_user_interface.h"
#include "support/temp_directory.h"

using namespace marklift;
using namespace marklift::testing;

namespace {

const char* const kWorkTable =
    "ID,       C, 9,0;LNAME,    C,13,0;FNAME,    C,11,0;MNAME,    C, 1,0;BIRTHDATE,D, 8,0;"
    "TESTCODE, C, 4,0;TESTSCORE,C, 8,0;DATE,     D, 8,0;SSN,      C,11,0;CODE,     C, 4,0;"
    "CORRECT,  N, 3,0;SCORE,    N, 4,0;ATTEMPT,  N, 3,0;SS1,      N, 2,0;SS2,      N, 2,0;"
    "SS3,      N, 2,0;SS4,      N, 2,0;SS5,      N, 2,0;SS6,      N, 2,0;SS7,      N, 2,0;"
    "SS8,      N, 2,0;SS9,      N, 2,0;SS10,     N, 2,0;GRPNUMBER,C, 7,0;SITECODE, C, 2,0;";

using Row = std::vector<std::pair<std::string, std::string>>;

// Record 1 (A): empty birth date, a six-digit score, attempt 2, subscores
// 7, 12, seven zeros, 3. Record 2 (B): nothing in the additional fields.
// Record 3 (C): a birth date in 1899. Their orders: by SSN A B C, by last
// name B A C, by test code C A B, by date B A C.
const Row kA = {{"ID", "111111111"},  {"SSN", "111-11-1111"}, {"LNAME", "BAKER"},
                {"FNAME", "ANN"},     {"TESTCODE", "MATH"},   {"TESTSCORE", "123456"},
                {"DATE", "20240302"}, {"ATTEMPT", "2"},       {"SS1", "7"},
                {"SS2", "12"},        {"SS10", "3"},          {"GRPNUMBER", "1234567"},
                {"SITECODE", "NC"}};
const Row kB = {{"ID", "222222222"},  {"SSN", "222-22-2222"}, {"LNAME", "ADAMS"},
                {"FNAME", "BOB"},     {"MNAME", "Q"},         {"BIRTHDATE", "19800102"},
                {"TESTCODE", "READ"}, {"TESTSCORE", "42"},    {"DATE", "20240301"}};
const Row kC = {{"ID", "333333333"}, {"SSN", "333-33-3333"},    {"LNAME", "CLARK"},
                {"FNAME", "CAL"},    {"BIRTHDATE", "18991231"}, {"TESTCODE", "ENGL"},
                {"TESTSCORE", "7"},  {"DATE", "20240303"},      {"ATTEMPT", "1"},
                {"SS5", "9"},        {"GRPNUMBER", "XY"},       {"SITECODE", "W"}};

// The base fields of each record in the fixed layout.
const std::string kFixedA = "111111111BAKER        ANN                 123420240302MATH";
const std::string kFixedB = "222222222ADAMS        BOB        Q1980010242  20240301READ";
const std::string kFixedC = "333333333CLARK        CAL                 7   20240303ENGL";

class RecordingBar : public ProgressBarSink {
public:
    void SetRange(int minimum, int maximum) override {
        calls.push_back("range " + std::to_string(minimum) + " " + std::to_string(maximum));
    }
    void SetPosition(int position) override { calls.push_back("pos " + std::to_string(position)); }
    std::vector<std::string> calls;
};

class PrepareExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.DataPath = scratch.dir();
        XbaseTable::CreateTable(scratch.dir() + "BANTABLE.dbf", kWorkTable);
        work.SetDatabaseName(scratch.dir());
        work.SetTableName("BANTABLE");
        work.Open();
        for (const Row* row : {&kA, &kB, &kC}) {
            work.Append();
            for (const auto& [field, text] : *row) work.SetText(field, text);
            work.Post();
        }
        for (const char* tag : {"SSN", "LNAME", "TESTCODE", "DATE"}) work.CreateIndex(tag, tag);
        work.SetIndexName("SSN");
        DefineUploadWriter(writer, upload);
        writer.SetProgressFactory(RecordingProgressFactory(progress));
    }

    ExportOutcome run(const std::vector<Bookmark>& selection, bool automatic = false,
                      const std::string& fileName = "UPLOAD.ASC") {
        return PrepareExportFile({.workTable = work,
                                  .selection = selection,
                                  .uploadTable = upload,
                                  .writer = writer,
                                  .progressBar = bar,
                                  .automaticMode = automatic,
                                  .automaticFileName = scratch.dir() + "AUTO.ASC",
                                  .fileNameBoxText = scratch.dir() + fileName},
                                 settings, ui);
    }
    std::string written(const std::string& fileName = "UPLOAD.ASC") const {
        return ReadFile(scratch.file(fileName));
    }
    // BANNEREX as the run left it on disk.
    std::vector<std::string> uploadTableIds() {
        XbaseTable table;
        table.SetDatabaseName(scratch.dir());
        table.SetTableName("BANNEREX");
        table.Open();
        std::vector<std::string> ids;
        for (table.First(); !table.Eof(); table.Next()) ids.push_back(table.GetText("ID"));
        return ids;
    }

    static constexpr Bookmark A = 1, B = 2, C = 3;

    TempDirectory scratch;
    ProgramSettings settings;
    XbaseTable work;
    XbaseTable upload;
    TCSVExport writer;
    RecordingBar bar;
    ProgressLog progress;
    ScriptedUserInterface ui;
};

TEST_F(PrepareExportTest, SelectedRecordsAreWrittenInSelectionOrderAndTheUserIsTold) {
    EXPECT_EQ(run({B, C, A}), ExportOutcome::Written);

    EXPECT_EQ(written(), kFixedB + "\r\n" + kFixedC + "\r\n" + kFixedA + "\r\n");
    ASSERT_EQ(ui.messages().size(), 1u);
    const RecordedMessage& message = ui.messages()[0];
    EXPECT_EQ(message.title, kApplicationTitle);
    EXPECT_EQ(message.text, "Export File has been successfully prepared.");
    EXPECT_EQ(message.icon, MessageIcon::Information);
    EXPECT_EQ(message.buttons, MessageButtons::Ok);
    EXPECT_EQ(message.busyDepth, 0);  // the cursor is back before the box shows

    EXPECT_EQ(ui.busyBegins(), 1);
    EXPECT_EQ(ui.busyDepth(), 0);
    EXPECT_EQ(ui.processEventsCalls(), 1);
    EXPECT_EQ(bar.calls,
              (std::vector<std::string>{"range 0 3", "pos 0", "pos 0", "pos 1", "pos 2", "pos 0"}));
    EXPECT_EQ(progress.created, 1);
    EXPECT_EQ(progress.alive, 0);

    EXPECT_FALSE(upload.Active());
    EXPECT_EQ(uploadTableIds(), (std::vector<std::string>{"222222222", "333333333", "111111111"}));
    EXPECT_EQ(work.RecNo(), A);  // left on the last selected record
    EXPECT_FALSE(work.ControlsDisabled());
}

// A name without a folder is written in the working folder; the message
// says where that is. A full name is the user's own and needs no repeating.
TEST_F(PrepareExportTest, ANameWithoutItsFolderIsNamedInFullInTheMessage) {
    const fs::path workingFolder = fs::current_path();
    fs::current_path(scratch.dir());
    const ExportOutcome outcome = PrepareExportFile({.workTable = work,
                                                     .selection = {A},
                                                     .uploadTable = upload,
                                                     .writer = writer,
                                                     .progressBar = bar,
                                                     .automaticMode = false,
                                                     .automaticFileName = {},
                                                     .fileNameBoxText = "Q"},
                                                    settings, ui);
    fs::current_path(workingFolder);
    EXPECT_EQ(outcome, ExportOutcome::Written);
    EXPECT_EQ(written("Q"), kFixedA + "\r\n");
    EXPECT_EQ(ui.messageTexts(),
              std::vector<std::string>{"Export File has been successfully prepared.\r\n" +
                                       fs::weakly_canonical(scratch.file("Q")).string()});
}

TEST_F(PrepareExportTest, UploadTableHasTheBaseFieldsThenTheIncludedOnesAndOnlyTheIdTag) {
    // What an earlier run left must not survive: another structure, another tag.
    XbaseTable::CreateTable(scratch.dir() + "BANNEREX.dbf", "OLD,C,5,0;ID,C,9,0;");
    {
        XbaseTable old;
        old.SetDatabaseName(scratch.dir());
        old.SetTableName("BANNEREX");
        old.Open();
        old.CreateIndex("OLD", "OLD");
    }
    settings.IncludeAttempted = settings.IncludeSubscores = true;
    settings.IncludePurposeAndAccommodation = settings.IncludeSiteCode = true;
    ASSERT_EQ(run({A}), ExportOutcome::Written);

    upload.Open();
    std::vector<std::pair<std::string, int>> fields;
    for (const FieldDef& field : upload.Fields().fields()) {
        EXPECT_EQ(field.type, 'C');
        fields.emplace_back(field.name, field.length);
    }
    EXPECT_EQ(fields, (std::vector<std::pair<std::string, int>>{{"ID", 9},
                                                                {"LNAME", 13},
                                                                {"FNAME", 11},
                                                                {"MNAME", 1},
                                                                {"BIRTHDATE", 8},
                                                                {"TESTSCORE", 4},
                                                                {"DATE", 8},
                                                                {"TESTCODE", 4},
                                                                {"ATTEMPT", 3},
                                                                {"SUBSCORES", 20},
                                                                {"PANDA", 6},
                                                                {"SITECODE", 2}}));
    EXPECT_EQ(upload.TagNames(), std::vector<std::string>{"ID"});
    EXPECT_EQ(upload.IndexName(), "");
}

TEST_F(PrepareExportTest, AdditionalFieldsFollowTheBaseFieldsInTheirFixedOrder) {
    struct Case {
        const char* name;
        bool attempted, subscores, panda, siteCode;
        std::string lines;
    };
    const Case cases[] = {
        {"all four", true, true, true, true,
         kFixedA + "002" + "0712" + "00000000000000" + "03" + "123456" + "NC\r\n" +  //
             kFixedB + "000" + "00000000000000000000" + "      " + "  \r\n" + kFixedC + "001" +
             "00000000090000000000" + "XY    " + "W \r\n"},
        {"subscores and site code", false, true, false, true,
         kFixedA + "07120000000000000003" + "NC\r\n" + kFixedB + "00000000000000000000" + "  \r\n" +
             kFixedC + "00000000090000000000" + "W \r\n"},
        {"attempt", true, false, false, false,
         kFixedA + "002\r\n" + kFixedB + "000\r\n" + kFixedC + "001\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings.IncludeAttempted = c.attempted;
        settings.IncludeSubscores = c.subscores;
        settings.IncludePurposeAndAccommodation = c.panda;
        settings.IncludeSiteCode = c.siteCode;
        ASSERT_EQ(run({A, B, C}), ExportOutcome::Written);
        EXPECT_EQ(written(), c.lines);
    }
    EXPECT_EQ((kFixedA + "002" + "07120000000000000003" + "123456" + "NC").size(), 89u);
}

TEST_F(PrepareExportTest, FileFormatChoosesTheLayoutAndOtherValuesKeepTheLastOne) {
    const std::pair<int, std::string> cases[] = {
        {1,
         "111111111|BAKER|ANN|||1234|20240302|MATH\r\n"
         "222222222|ADAMS|BOB|Q|19800102|42|20240301|READ\r\n"},
        {2,
         "\"111111111\",\"BAKER\",\"ANN\",\"\",\"\",\"1234\",\"20240302\",\"MATH\"\r\n"
         "\"222222222\",\"ADAMS\",\"BOB\",\"Q\",\"19800102\",\"42\",\"20240301\",\"READ\"\r\n"},
        {7,
         "\"111111111\",\"BAKER\",\"ANN\",\"\",\"\",\"1234\",\"20240302\",\"MATH\"\r\n"
         "\"222222222\",\"ADAMS\",\"BOB\",\"Q\",\"19800102\",\"42\",\"20240301\",\"READ\"\r\n"},
        {3,
         "111111111\tBAKER\tANN\t\t\t1234\t20240302\tMATH\r\n"
         "222222222\tADAMS\tBOB\tQ\t19800102\t42\t20240301\tREAD\r\n"},
        {0, kFixedA + "\r\n" + kFixedB + "\r\n"},
    };
    for (const auto& [fileFormat, bytes] : cases) {
        SCOPED_TRACE(fileFormat);
        settings.FileFormat = fileFormat;
        ASSERT_EQ(run({A, B}), ExportOutcome::Written);
        EXPECT_EQ(written(), bytes);
    }
}

TEST_F(PrepareExportTest, AFreshWritersLayoutStaysForAnUnknownFileFormat) {
    settings.FileFormat = -1;
    ASSERT_EQ(run({B}), ExportOutcome::Written);
    EXPECT_EQ(writer.ExportType(), TExportType::expDelimited);
    EXPECT_EQ(writer.FieldSeparator(), TFieldSeparator::fspNone);
    EXPECT_EQ(writer.FieldDelimiter(), TFieldDelimiter::fdlNone);
    EXPECT_EQ(written(), "222222222ADAMSBOBQ198001024220240301READ\r\n");
}

TEST_F(PrepareExportTest, AnEmptySelectionWritesNothingAndSaysSoUnlessAutomatic) {
    WriteFile(scratch.file("UPLOAD.ASC"), "previous upload\r\n");
    WriteFile(scratch.file("AUTO.ASC"), "previous automatic upload\r\n");

    EXPECT_EQ(run({}), ExportOutcome::NothingSelected);
    EXPECT_EQ(ui.messageTexts(),
              std::vector<std::string>{"No data in date range.  Export File was not prepared."});
    EXPECT_EQ(ui.messages()[0].title, "Error");
    EXPECT_EQ(ui.messages()[0].icon, MessageIcon::Error);

    EXPECT_EQ(run({}, true), ExportOutcome::NothingSelected);
    EXPECT_EQ(ui.messages().size(), 1u);

    EXPECT_EQ(written(), "previous upload\r\n");
    EXPECT_EQ(written("AUTO.ASC"), "previous automatic upload\r\n");
    EXPECT_EQ(progress.created, 0);
    EXPECT_TRUE(uploadTableIds().empty());
    EXPECT_FALSE(upload.Active());
    EXPECT_EQ(ui.busyDepth(), 0);
}

TEST_F(PrepareExportTest, AutomaticModeWritesTheAutomaticFileWithoutAWord) {
    EXPECT_EQ(run({C, A}, true), ExportOutcome::Written);
    EXPECT_EQ(written("AUTO.ASC"), kFixedC + "\r\n" + kFixedA + "\r\n");
    EXPECT_FALSE(fs::exists(scratch.file("UPLOAD.ASC")));
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(ui.busyDepth(), 0);
}

TEST_F(PrepareExportTest, AnOutputThatCannotBeMadeIsReportedAndTheRecordsStayInTheTable) {
    EXPECT_EQ(run({A, B}, false, "missing/UPLOAD.ASC"), ExportOutcome::WriterFailed);
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].title, "Error");
    EXPECT_EQ(ui.messages()[0].text, "Export File has been not prepared.");
    EXPECT_EQ(ui.messages()[0].icon, MessageIcon::Error);
    EXPECT_FALSE(upload.Active());
    EXPECT_EQ(uploadTableIds(), (std::vector<std::string>{"111111111", "222222222"}));
    EXPECT_EQ(bar.calls.back(), "pos 0");
}

TEST_F(PrepareExportTest, AnEngineFailureEndsTheRunWithEverythingPutBack) {
    WriteFile(scratch.file("UPLOAD.ASC"), "previous upload\r\n");
    const Bookmark gone = 99;
    EXPECT_THROW(run({A, B, gone, C}), EXbaseError);

    EXPECT_EQ(written(), "previous upload\r\n");
    EXPECT_TRUE(ui.messages().empty());  // the general error handler shows the engine's text
    EXPECT_EQ(ui.busyDepth(), 0);
    EXPECT_FALSE(upload.Active());
    EXPECT_FALSE(work.ControlsDisabled());
    EXPECT_EQ(bar.calls.back(), "pos 2");  // the bar keeps its last position
    EXPECT_EQ(progress.created, 0);
}

TEST_F(PrepareExportTest, GivingUpOnOpeningTheUploadTableEndsTheProgram) {
    // Names match without regard to case: the stale index that is deleted is
    // one of two, and the other one, damaged, keeps the new table from opening.
    WriteFile(scratch.file("BANNEREX.cdx"), "stale");
    WriteFile(scratch.file("bannerex.CDX"), "damaged");
    ui.queueAnswer(Answer::Cancel);
    EXPECT_THROW(run({A}), ProgramCancelled);
    EXPECT_EQ(ui.messageTexts().back(), "Cancelled.  The program will be terminated.");
    EXPECT_EQ(ui.busyDepth(), 0);
    EXPECT_FALSE(fs::exists(scratch.file("UPLOAD.ASC")));
}

TEST(UploadRecord, DatesOfTheYear1899AreEmpty) {
    EXPECT_EQ(UploadDateText(Date()), "");
    EXPECT_EQ(UploadDateText(Date::fromYmd(1899, 1, 1)), "");
    EXPECT_EQ(UploadDateText(Date::fromYmd(1899, 12, 31)), "");
    EXPECT_EQ(UploadDateText(Date::fromYmd(1900, 1, 1)), "19000101");
    EXPECT_EQ(UploadDateText(Date::fromYmd(2024, 3, 15)), "20240315");
}

}  // namespace
