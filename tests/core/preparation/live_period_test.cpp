// The upload file prepared again and again, as Auto Prepare and
// marklift-prepare prepare it, from a period that a writer process
// (zolt_writer) keeps appending to by Clipper's protocol, the way ZOLT does
// during a day of testing: every run succeeds, every upload record belongs
// to one student (name and birth date those of the student with its SSN),
// and the number of records never goes down; also while the writer holds
// the index lock for a while at a time.
//
// MARKLIFT_LIVE_ROUNDS sets the number of runs of each case (default: a few
// dozen, seconds in all); the figures of each case are printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/config/program_settings.h"
#include "core/preparation/automatic_export.h"
#include "core/session/shared_routines.h"
#include "core/worktable/build_progress.h"
#include "support/live_zolt_period.h"
#include "support/scripted_user_interface.h"

using namespace marklift;
using marklift::testing::DataDirectory;
using marklift::testing::SeedLivePeriod;
using marklift::testing::ZoltWriterProcess;

namespace {

const char kPeriod[] = "DELVTP1\\";

// What an upload record says of its student: ID, last, first and middle
// name, birth date.
using StudentFields = std::tuple<std::string, std::string, std::string, std::string, std::string>;

std::string Trimmed(const std::string& text) {
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

// The pipe-delimited upload file's records, by their first five fields.
std::vector<StudentFields> UploadRecords(const std::string& bytes) {
    std::vector<StudentFields> records;
    std::istringstream lines(bytes);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, '|');) fields.push_back(Trimmed(field));
        fields.resize(5);
        records.emplace_back(fields[0], fields[1], fields[2], fields[3], fields[4]);
    }
    return records;
}

// The student table once the writer is done: the same fields by ID.
std::map<std::string, StudentFields> Students(const DataDirectory& dir) {
    XbaseTable t;
    t.SetDatabaseName(dir.path() + kPeriod);
    t.SetTableName("STUDENT");
    t.SetTableType(TableType::ttNTX);
    t.SetReadOnly(true);
    t.Open();
    std::map<std::string, StudentFields> students;
    for (t.First(); !t.Eof(); t.Next()) {
        const std::string id = CompactSsn(t.GetText("SSN"));
        students[id] = {id, t.GetText("LNAME").substr(0, 13), t.GetText("FNAME").substr(0, 11),
                        t.GetText("MNAME"), t.GetDate("BIRTHDATE").toYyyymmdd()};
    }
    return students;
}

int Rounds(int byDefault) {
    const char* rounds = std::getenv("MARKLIFT_LIVE_ROUNDS");
    return rounds ? std::atoi(rounds) : byDefault;
}

struct WriterCase {
    const char* what;
    std::vector<std::string> options;
    int rounds;
};

void PrintTo(const WriterCase& c, std::ostream* out) {
    *out << c.what;
}

class LivePeriodTest : public ::testing::TestWithParam<WriterCase> {};

TEST_P(LivePeriodTest, EveryRunSucceedsAndEveryRecordBelongsToItsStudent) {
    DataDirectory dir("live-period");
    SeedLivePeriod(dir, kPeriod, 300);
    ProgramSettings settings;
    settings.DataPath = dir.path();
    settings.PeriodDir = kPeriod;
    settings.SearchTemporary = false;
    settings.IncludePlacementRecords = true;
    settings.IncludeAssessmentRecords = true;
    settings.IncludeScoreRecords = true;
    settings.FileFormat = 1;  // pipe
    const std::string upload = dir.path() + "upload.asc";

    const int rounds = Rounds(GetParam().rounds);
    int failedRuns = 0, countWentDown = 0;
    std::size_t firstCount = 0, lastCount = 0;
    std::string firstFailure;
    std::set<StudentFields> seen;
    std::chrono::steady_clock::duration longest{};
    {
        ZoltWriterProcess writer(dir.native("DELVTP1"), GetParam().options);
        for (int round = 0; round < rounds; ++round) {
            ScriptedUserInterface ui;
            SilentBuildProgress progress;
            const auto start = std::chrono::steady_clock::now();
            std::string failure;
            try {
                PrepareUploadFile(settings, "", upload, ui, progress);
                // A question or a message means a table would not open.
                if (!ui.messages().empty()) failure = ui.messages().front().text;
            } catch (const std::exception& error) {
                failure = error.what();
            } catch (...) {
                failure = "cancelled";
            }
            longest = std::max(longest, std::chrono::steady_clock::now() - start);
            if (!failure.empty()) {
                if (failedRuns++ == 0) firstFailure = failure;
                continue;
            }
            const std::vector<StudentFields> records = UploadRecords(dir.bytes("upload.asc"));
            if (round == 0) firstCount = records.size();
            if (records.size() < lastCount) ++countWentDown;
            lastCount = records.size();
            seen.insert(records.begin(), records.end());
        }
        std::cout << "writer: " << writer.stop();
    }

    const std::map<std::string, StudentFields> students = Students(dir);
    int mismatched = 0;
    std::string firstMismatch;
    for (const StudentFields& record : seen) {
        const auto student = students.find(std::get<0>(record));
        if (student != students.end() && student->second == record) continue;
        if (mismatched++ == 0)
            firstMismatch =
                std::get<0>(record) + "|" + std::get<1>(record) + "|" + std::get<4>(record);
    }
    std::cout << GetParam().what << ": " << rounds << " runs, " << failedRuns << " failed; "
              << seen.size() << " distinct student records checked, " << mismatched
              << " mismatched; records per run " << firstCount << " -> " << lastCount
              << ", went down " << countWentDown << " times; longest run "
              << std::chrono::duration_cast<std::chrono::milliseconds>(longest).count() << " ms\n";
    EXPECT_EQ(failedRuns, 0) << firstFailure;
    EXPECT_EQ(mismatched, 0) << firstMismatch;
    EXPECT_EQ(countWentDown, 0);
    EXPECT_GT(lastCount, firstCount) << "the writer added nothing the runs saw";
}

INSTANTIATE_TEST_SUITE_P(
    Writer, LivePeriodTest,
    ::testing::Values(
        WriterCase{"Appending",
                   {"--fill-pause-us", "300", "--page-pause-us", "300", "--interval-us", "5000"},
                   30},
        // Index updates that hold the lock most of the time: each run waits.
        WriterCase{
            "HoldingTheIndexLock", {"--hold-index-ms", "150", "--interval-us", "20000"}, 12}),
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace
