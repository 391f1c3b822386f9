// ZOLT's files are only ever read. After the period scan, Find, Auto Prepare
// and a code-table Build, every file and folder of ZOLT's data keeps its
// bytes and its modification time; and each action works as well for a user
// whom the kernel refuses every write to them as it does for root.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

#include "cli/prepare_command.h"
#include "core/config/clock.h"
#include "core/periods/main_window_logic.h"
#include "core/worktable/code_tables.h"
#include "core/worktable/work_table_builder.h"
#include "support/child_process.h"
#include "support/data_directory.h"
#include "support/scripted_user_interface.h"

using namespace marklift;
using marklift::testing::BecomeUnprivileged;
using marklift::testing::ChildResult;
using marklift::testing::DataDirectory;
using marklift::testing::kUnprivilegedId;
using marklift::testing::RunInChild;

namespace fs = std::filesystem;

namespace {

// Every box gets its first button (so a rebuild is confirmed), but a table
// that will not open is given up at once instead of being retried forever.
class NoRetryUserInterface : public ScriptedUserInterface {
public:
    bool askRetry(const std::string&, int, const std::string& lastError) override {
        throw std::runtime_error("a table would not open: " + lastError);
    }
};

ProgramSettings PeriodOne(const std::string& dataPath, bool temporary) {
    ProgramSettings settings;
    settings.DataPath = dataPath;
    settings.PeriodDir = "DELVTP1\\";
    settings.SearchTemporary = temporary;
    settings.IncludePlacementRecords = true;
    settings.IncludeAssessmentRecords = true;
    settings.IncludeScoreRecords = true;
    settings.IncludeSiteCode = true;
    return settings;
}

void Scan(const std::string& dataPath, UserInterface& ui) {
    ProgramSettings settings;
    settings.DataPath = dataPath;
    LoadTestingPeriods("1", -1, ui, settings);
}

// The build behind Find, from the master and then the temporary tables, so
// that every gathered table, both student tables and both .ntx files are read.
void Find(const std::string& dataPath, UserInterface& ui) {
    SilentBuildProgress progress;
    WorkTableBuilder builder(ui, progress);
    for (bool temporary : {false, true}) builder.BuildWorkTable(PeriodOne(dataPath, temporary), "");
}

// The automatic road from the command line: build and upload file.
void AutoPrepare(const std::string& dataPath, UserInterface&) {
    for (const char* search : {"master", "temporary"}) {
        std::ostringstream out, err;
        FakeClock clock(LocalDateTime{Date::fromYmd(2005, 2, 1)});
        const int status = RunPrepareCommand(
            {"--ini", dataPath + "MARKLIFT.ini", "--data", dataPath, "--period", "1", "--search",
             search, "--dates", "all", "--fields", "attempted,subscores,panda,sitecode", "--out",
             dataPath + "upload.asc"},
            dataPath, clock, out, err);
        if (status != 0) throw std::runtime_error(err.str());
    }
}

// Both code tables filled from a period, then rebuilt from another.
void Build(const std::string& dataPath, UserInterface& ui) {
    XbaseTable codes, source, previous;
    for (int period : {1, 2}) {
        OpenPlacementTable(codes, dataPath, ui);
        BuildPlacementCodes(codes, source, previous, dataPath, period, ui);
        OpenTestTable(codes, dataPath, ui);
        BuildTestCodes(codes, source, previous, dataPath, period, ui);
    }
    codes.Close();
}

struct ZoltAction {
    const char* what;
    std::function<void(const std::string& dataPath, UserInterface& ui)> run;
};

void PrintTo(const ZoltAction& action, std::ostream* out) {
    *out << action.what;
}

// What a file or folder of ZOLT's looks like from outside.
struct EntryState {
    std::string bytes;  // empty for a folder
    fs::file_time_type modified;
    bool operator==(const EntryState&) const = default;
};

class ZoltReadOnlyTest : public ::testing::TestWithParam<ZoltAction> {
protected:
    // A copy of the ZOLT fixture, every entry dated long ago, so that a
    // rewrite within the test's own second still shows.
    static void CopyZolt(const DataDirectory& dir) {
        fs::copy(MARKLIFT_FIXTURES "/zolt", dir.root(), fs::copy_options::recursive);
        const std::chrono::sys_seconds when =
            std::chrono::sys_days{std::chrono::year{2001} / 2 / 3} + std::chrono::hours{4};
        const fs::file_time_type longAgo = std::chrono::file_clock::from_sys(when);
        for (const auto& entry : fs::recursive_directory_iterator(dir.root()))
            fs::last_write_time(entry.path(), longAgo);
    }

    // Every entry below the root that belongs to ZOLT: the period folders
    // with all they hold, and the files at the top that ZOLT wrote
    // (`zoltFiles`, or all of them at the start).
    static std::map<std::string, EntryState> ZoltEntries(
        const DataDirectory& dir, const std::vector<std::string>& zoltFiles) {
        std::map<std::string, EntryState> entries;
        for (const auto& entry : fs::recursive_directory_iterator(dir.root())) {
            const std::string name = entry.path().lexically_relative(dir.root()).string();
            const bool inPeriod = name.rfind("DELVTP", 0) == 0;
            if (!inPeriod && std::find(zoltFiles.begin(), zoltFiles.end(), name) == zoltFiles.end())
                continue;
            entries[name] = {entry.is_directory() ? std::string() : dir.bytes(name),
                             fs::last_write_time(entry.path())};
        }
        return entries;
    }

    static std::vector<std::string> TopFiles(const DataDirectory& dir) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.root()))
            if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
        return names;
    }

    // The files the action left at the top of the data directory, by name.
    // The run log names the upload file by its full path, which differs
    // from one directory to the other; it stands as "<data>" here.
    static std::map<std::string, std::string> MarkliftFiles(const DataDirectory& dir,
                                                            const std::vector<std::string>& zolt) {
        std::map<std::string, std::string> files;
        for (const std::string& name : TopFiles(dir)) {
            if (std::find(zolt.begin(), zolt.end(), name) != zolt.end()) continue;
            std::string bytes = dir.bytes(name);
            if (name == "MARKLIFT.log") {
                const std::string root = dir.root().string();
                for (std::size_t at; (at = bytes.find(root)) != std::string::npos;)
                    bytes.replace(at, root.size(), "<data>");
            }
            files[name] = bytes;
        }
        return files;
    }
};

TEST_P(ZoltReadOnlyTest, EveryZoltFileKeepsItsBytesAndTime) {
    DataDirectory dir("zolt-untouched");
    CopyZolt(dir);
    const std::vector<std::string> zoltFiles = TopFiles(dir);
    const std::map<std::string, EntryState> before = ZoltEntries(dir, zoltFiles);
    ASSERT_GT(before.size(), 30u);

    NoRetryUserInterface ui;
    GetParam().run(dir.path(), ui);

    const std::map<std::string, EntryState> after = ZoltEntries(dir, zoltFiles);
    for (const auto& [name, state] : before) {
        ASSERT_TRUE(after.count(name)) << name << " is gone";
        EXPECT_TRUE(after.at(name).bytes == state.bytes) << name << " was rewritten";
        EXPECT_TRUE(after.at(name).modified == state.modified) << name << " has a new time";
    }
    for (const auto& entry : after)
        EXPECT_TRUE(before.count(entry.first)) << entry.first << " was added among ZOLT's files";
}

// The kernel's refusal is the proof that nothing asks for write access: a
// table or index opened for writing would fail here, even if never written.
TEST_P(ZoltReadOnlyTest, WorksWhereTheKernelRefusesEveryWriteToZolt) {
    DataDirectory reference("zolt-reference");
    CopyZolt(reference);
    const std::vector<std::string> zoltFiles = TopFiles(reference);
    {
        NoRetryUserInterface ui;
        GetParam().run(reference.path(), ui);
    }

    DataDirectory dir("zolt-read-only");
    CopyZolt(dir);
    // Marklift's own files still go to the data directory; ZOLT's files and
    // folders are the kernel's to guard.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(dir.root().c_str(), kUnprivilegedId, kUnprivilegedId), 0);
    }
    for (const auto& entry : ZoltEntries(dir, zoltFiles)) {
        const fs::path path = dir.root() / entry.first;
        fs::permissions(path, fs::is_directory(path) ? fs::perms(0555) : fs::perms(0444));
    }
    const ChildResult child = RunInChild([&] {
        BecomeUnprivileged();
        // Unless the kernel would refuse, the run below proves nothing.
        for (const char* zolt : {"SETUPSCH.DBF", "DELVTP1", "DELVTP1/SSN.NTX"}) {
            if (::access((dir.root() / zolt).c_str(), W_OK) == 0)
                throw std::runtime_error(std::string(zolt) + " can be written by the child");
        }
        NoRetryUserInterface ui;
        GetParam().run(dir.path(), ui);
        return std::string();
    });
    // Put the rights back, so the directory can go whoever runs the tests.
    for (const auto& entry : fs::recursive_directory_iterator(dir.root()))
        fs::permissions(entry.path(), fs::perms(0755));
    ASSERT_EQ(child.status, 0) << child.report;

    // The same work was done: Marklift's files match root's byte for byte.
    EXPECT_EQ(MarkliftFiles(dir, zoltFiles), MarkliftFiles(reference, zoltFiles));
}

INSTANTIATE_TEST_SUITE_P(Actions, ZoltReadOnlyTest,
                         ::testing::Values(ZoltAction{"Scan", Scan}, ZoltAction{"Find", Find},
                                           ZoltAction{"AutoPrepare", AutoPrepare},
                                           ZoltAction{"Build", Build}),
                         [](const auto& info) { return std::string(info.param.what); });

}  // namespace
