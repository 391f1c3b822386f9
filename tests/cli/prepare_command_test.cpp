// marklift-prepare over a copy of the ZOLT fixture directory: the whole run
// from the command line to the upload file, where its defaults come from,
// and how it fails.
#include "cli/prepare_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "core/session/console_user_interface.h"
#include "support/child_process.h"
#include "support/export_test_support.h"
#include "support/temp_directory.h"

using namespace marklift;
using namespace marklift::testing;

namespace {

const LocalDateTime kNow{Date::fromYmd(2004, 3, 24), 9, 0, 0, 0};

class PrepareCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy(MARKLIFT_FIXTURES "/zolt", scratch.file("zolt"),
                              std::filesystem::copy_options::recursive);
        WriteFile(scratch.file("MARKLIFT.ini"), "[Directories]\r\nZOLT Path=" + dataDir() +
                                                    "\r\n[Testing Periods]\r\nZOLT From=1\r\n");
    }

    std::string dataDir() const { return scratch.file("zolt") + "/"; }

    int run(std::vector<std::string> arguments) {
        out.str("");
        err.str("");
        FakeClock clock(kNow);
        return RunPrepareCommand(arguments, scratch.dir(), clock, out, err);
    }

    TempDirectory scratch;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(PrepareCommandTest, WritesEveryRecordOfAPeriodInTheFixedLayout) {
    const std::string file = scratch.file("upload.asc");
    ASSERT_EQ(run({"--ini", scratch.file("MARKLIFT.ini"), "--data", dataDir(), "--period", "1",
                   "--search", "master", "--dates", "all", "--format", "fixed", "--records",
                   "placement,assessment,score", "--fields", "none", "--out", file}),
              0)
        << err.str();

    EXPECT_EQ(out.str(), file + ": 691 records\n");
    EXPECT_NE(err.str().find("marklift-prepare: Adding Placement Records\n"), std::string::npos);
    const std::string bytes = ReadFile(file);
    ASSERT_EQ(bytes.size(), 691u * 60);
    for (std::size_t line = 0; line < 691; ++line)
        ASSERT_EQ(bytes.substr(line * 60 + 58, 2), "\r\n") << "line " << line;
    // The lowest SSN is 100-00-7919; its first record is PLACE record 116
    // (RD04 on 03/24/2004), whose student is missing from STUDENT: the names
    // are PLACE's and the birth date is empty.
    EXPECT_EQ(bytes.substr(0, 58), std::string("100007919") + "GARCIA       " + "BOB        " +
                                       " " + "        " + "04  " + "20040324" + "RD  ");
}

TEST_F(PrepareCommandTest, DefaultsComeFromTheSettingsFileBesideTheProgram) {
    const std::string file = scratch.file("auto.asc");
    WriteFile(scratch.file("MARKLIFT.ini"),
              "[Directories]\r\nZOLT Path=" + dataDir() +
                  "\r\n[Testing Periods]\r\nZOLT From=1\r\n[ZOLT Export]\r\nSearch=1\r\n"
                  "File Format=1\r\nInclude Placement Records=1\r\nInclude Assessment Records=0\r\n"
                  "Include Score Records=0\r\n[ZOLT Auto Export]\r\nFilename=" +
                  file + "\r\nDate=0\r\n");
    ASSERT_EQ(run({}), 0) << err.str();

    // Today (03/24/2004) only, placement records only, pipe-delimited.
    const std::string bytes = ReadFile(file);
    ASSERT_FALSE(bytes.empty());
    std::istringstream lines(bytes);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        EXPECT_NE(line.find("|20040324|"), std::string::npos) << line;
        EXPECT_EQ(line.back(), '\r');
    }
    EXPECT_EQ(out.str(), file + ": " + std::to_string(count) + " records\n");
}

struct FailureCase {
    const char* what;
    std::vector<std::string> arguments;
    int exitCode;
    const char* message;
};

TEST_F(PrepareCommandTest, FailuresSayWhyOnOneLine) {
    const std::string ini = scratch.file("MARKLIFT.ini");
    const std::vector<FailureCase> cases = {
        {"unknown option", {"--colour", "red"}, 2, "unknown option \"--colour\""},
        {"unknown option last", {"--colour"}, 2, "unknown option \"--colour\""},
        {"stray argument", {"upload.asc"}, 2, "unexpected argument \"upload.asc\""},
        {"missing value", {"--out"}, 2, "--out needs a value"},
        {"bad period", {"--period", "12"}, 2, "--period takes a number from 1 to 11"},
        {"bad format", {"--format", "csv"}, 2, "unknown value \"csv\" for --format"},
        {"bad record kind", {"--records", "placement,exam"}, 2, "unknown value \"exam\""},
        {"bad dates", {"--dates", "2004-03-01"}, 2, "--dates takes all, today or"},
        {"reversed dates", {"--dates", "20040310-20040301"}, 2, "ends before it begins"},
        {"no output file", {"--ini", ini}, 1, "no output file: give --out"},
        {"no period", {"--ini", scratch.file("none.ini"), "--out", "x"}, 1, "no testing period"},
        {"no data", {"--ini", ini, "--data", scratch.file("nowhere"), "--out", "x"}, 1, "nowhere"},
        // A nightly job tells "no results today" from a failure.
        {"nothing in range",
         {"--ini", ini, "--dates", "19990101-19990102", "--out", "x"},
         3,
         "No data in date range.  Export File was not prepared."},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(run(c.arguments), c.exitCode);
        EXPECT_EQ(out.str(), "");
        const std::string text = err.str();
        const std::size_t at = text.rfind("marklift-prepare: ");
        ASSERT_NE(at, std::string::npos) << text;
        EXPECT_NE(text.find(c.message, at), std::string::npos) << text;
        if (c.exitCode != 2) {
            EXPECT_EQ(text.find('\n', at), text.size() - 1) << text;
        }
    }
}

// Nobody can answer the retry question here: a ZOLT table that another
// program holds through twelve attempts, or that is not there at all, ends
// the run with one line naming the table and why, and no upload file.
TEST_F(PrepareCommandTest, AZoltTableThatWillNotOpenEndsTheRunSayingWhy) {
    const std::string upload = scratch.file("upload.asc");
    const std::vector<std::string> arguments = {"--ini",     scratch.file("MARKLIFT.ini"),
                                                "--search",  "master",
                                                "--records", "placement",
                                                "--out",     upload};
    const std::string place = scratch.file("zolt/DELVTP1/PLACE.DBF");
    auto lastLine = [this] {
        const std::string text = err.str();
        return text.substr(text.rfind('\n', text.size() - 2) + 1);
    };
    {
        LockingProcess holder(place);
        EXPECT_EQ(run(arguments), 1);
        EXPECT_EQ(lastLine(), "marklift-prepare: gave up after 12 attempts to open a table: " +
                                  std::filesystem::path(place).lexically_normal().string() +
                                  " is in use by another program\n")
            << err.str();
    }
    std::filesystem::remove(place);
    EXPECT_EQ(run(arguments), 1);
    EXPECT_EQ(lastLine(), "marklift-prepare: Table " +
                              std::filesystem::path(scratch.file("zolt/DELVTP1/Place.dbf"))
                                  .lexically_normal()
                                  .string() +
                              " does not exist.\n")
        << err.str();
    EXPECT_EQ(out.str(), "");
    EXPECT_FALSE(std::filesystem::exists(upload));
}

// An empty list of additional fields names none of them, as "none" does.
TEST_F(PrepareCommandTest, AnEmptyFieldListMeansNoAdditionalFields) {
    WriteFile(scratch.file("MARKLIFT.ini"),
              "[Directories]\r\nZOLT Path=" + dataDir() +
                  "\r\n[Testing Periods]\r\nZOLT From=1\r\n[ZOLT Export]\r\n"
                  "Include Attempted=1\r\nInclude Site Code=1\r\n");
    for (const char* fields : {"none", ""}) {
        SCOPED_TRACE(std::string("--fields \"") + fields + "\"");
        const std::string file = scratch.file("upload.asc");
        ASSERT_EQ(run({"--ini", scratch.file("MARKLIFT.ini"), "--dates", "all", "--records",
                       "placement", "--fields", fields, "--out", file}),
                  0)
            << err.str();
        const std::string bytes = ReadFile(file);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(bytes.find("\r\n"), 58u) << "the base fields alone";
    }
}

// Each run that got as far as building leaves one line beside the settings
// file it read, whether it wrote the file, found nothing or failed.
TEST_F(PrepareCommandTest, EveryRunLeavesItsLineInTheRunLogBesideTheSettingsFile) {
    const std::string ini = scratch.file("MARKLIFT.ini");
    const std::string file = scratch.file("upload.asc");
    ASSERT_EQ(run({"--ini", ini, "--search", "master", "--dates", "all", "--records", "score",
                   "--fields", "none", "--format", "pipe", "--out", file}),
              0);
    const std::string written = out.str();
    EXPECT_EQ(run({"--ini", ini, "--dates", "19990101-19990102", "--out", file}), 3);
    EXPECT_EQ(run({"--ini", ini, "--data", scratch.file("nowhere"), "--out", file}), 1);
    EXPECT_EQ(run({"--colour", "red"}), 2);
    EXPECT_EQ(run({"--format-report", scratch.file("f.pdf")}), 1);

    const std::string log = ReadFile(scratch.file("MARKLIFT.log"));
    std::vector<std::string> lines;
    std::istringstream text(log);
    for (std::string line; std::getline(text, line);) {
        ASSERT_EQ(line.back(), '\r');
        lines.push_back(line.substr(0, line.size() - 1));
    }
    ASSERT_EQ(lines.size(), 3u) << log;
    const std::string records = written.substr(written.find(": ") + 2);
    EXPECT_EQ(lines[0],
              "2004-03-24 09:00:00 | marklift-prepare | period 1 | search master; "
              "dates all; records score; fields none; format pipe | prepared | " +
                  records.substr(0, records.size() - 1) + " | " + file);
    EXPECT_NE(lines[1].find("; dates 01/01/1999-01/02/1999;"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find(" | not prepared: no data in date range | 0 records | "),
              std::string::npos)
        << lines[1];
    EXPECT_NE(lines[2].find(" | failed: "), std::string::npos) << lines[2];
    EXPECT_NE(lines[2].find("nowhere"), std::string::npos) << lines[2];
}

// As cron runs it: no display and no XDG_RUNTIME_DIR. The command prints the
// report's name and nothing else, Qt's notes on its set-up among it.
TEST(FormatReportProgramTest, ACronJobSeesOnlyTheReportsName) {
    TempDirectory scratch;
    const std::string pdf = scratch.file("format.pdf");
    const ProgramResult result = RunProgram(
        MARKLIFT_PREPARE_PROGRAM, {"--ini", scratch.file("none.ini"), "--format-report", pdf}, [] {
            for (const char* name :
                 {"XDG_RUNTIME_DIR", "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
                ::unsetenv(name);
        });
    if (result.err.find("cannot write the format report") != std::string::npos)
        GTEST_SKIP() << "marklift-prepare was built without Qt";
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, pdf + "\n");
    EXPECT_TRUE(std::filesystem::exists(pdf));
}

TEST(ConsoleUserInterfaceTest, PrintsBoxesAsLinesAndRefusesQuestions) {
    std::ostringstream err;
    ConsoleUserInterface ui(err, "tool: ");
    EXPECT_EQ(ui.showMessage("Error", "Disk full.", MessageIcon::Error, MessageButtons::Ok),
              Answer::Ok);
    EXPECT_EQ(ui.showMessage("Error", "Unable to open Table: X.CDX.\r\nOK to retry?",
                             MessageIcon::Error, MessageButtons::OkCancel),
              Answer::Cancel);
    ui.showError("Cancelled.  The program will be terminated.");
    EXPECT_EQ(err.str(), "tool: Disk full.\ntool: Unable to open Table: X.CDX. OK to retry?\n");
    EXPECT_EQ(ui.chooseSaveFile({}), "");
}

}  // namespace

namespace {

// The report describes the file the same settings would give: the stored
// choices, the options over them, a stored type above 3 shown as Tab.
TEST_F(PrepareCommandTest, FormatReportDescribesTheConfiguredFileAndBuildsNothing) {
    WriteFile(scratch.file("MARKLIFT.ini"),
              "[Directories]\r\nZOLT Path=" + dataDir() +
                  "\r\n[ZOLT Export]\r\nFile Format=7\r\nInclude Subscores=1\r\n");
    struct Call {
        std::string path;
        int fileType;
        std::vector<bool> fields;
    };
    std::vector<Call> calls;
    FormatReportWriter writer = [&](const std::string& path, int fileType, bool attempted,
                                    bool subscores, bool panda, bool siteCode) {
        calls.push_back({path, fileType, {attempted, subscores, panda, siteCode}});
    };
    FakeClock clock(kNow);
    const std::string pdf = scratch.file("format.pdf");
    ASSERT_EQ(RunPrepareCommand({"--format-report", pdf}, scratch.dir(), clock, out, err, writer),
              0)
        << err.str();
    ASSERT_EQ(RunPrepareCommand(
                  {"--format-report", pdf, "--format", "pipe", "--fields", "attempted,sitecode"},
                  scratch.dir(), clock, out, err, writer),
              0)
        << err.str();

    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].path, pdf);
    EXPECT_EQ(calls[0].fileType, 3);
    EXPECT_EQ(calls[0].fields, (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(calls[1].fileType, 1);
    EXPECT_EQ(calls[1].fields, (std::vector<bool>{true, false, false, true}));
    EXPECT_FALSE(std::filesystem::exists(dataDir() + "BANTABLE.dbf"));
}

}  // namespace
