// The upload file when writing fails for real: marklift-prepare run as its
// own process over a read-only data directory, a work table another program
// holds and a disk that fills while the work table is built, and the
// unattended export under a disk that fills part way. The upload file of an
// earlier run must come through every one of them byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>

#include "core/config/program_settings.h"
#include "core/preparation/automatic_export.h"
#include "core/upload/record_selection.h"
#include "support/child_process.h"
#include "support/export_test_support.h"
#include "support/scripted_user_interface.h"
#include "support/temp_directory.h"
#include "support/work_table_fixture.h"

using namespace marklift;
using namespace marklift::testing;

namespace {

const std::string kPreviousUpload = "the upload file of an earlier run\r\n";

// What the files hold: each name in `directory` with its bytes.
std::map<std::string, std::string> Contents(const std::string& directory) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(directory))
        if (entry.is_regular_file())
            files[entry.path().filename().string()] = ReadFile(entry.path().string());
    return files;
}

std::string LastLine(const std::string& text) {
    std::string last;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) last = line;
    return last;
}

// -- marklift-prepare ----------------------------------------------------------

class PrepareProgramFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::copy(MARKLIFT_FIXTURES "/zolt", data(), fs::copy_options::recursive);
        // The upload goes where anyone may write, so that only the fault
        // under test can stop it.
        fs::create_directory(outDir());
        fs::permissions(outDir(), fs::perms::all);
        WriteFile(scratch.file("MARKLIFT.ini"), "[Directories]\r\nZOLT Path=" + data() + "/\r\n");
    }

    std::string data() const { return scratch.file("zolt"); }
    std::string outDir() const { return scratch.file("out"); }
    std::string upload() const { return outDir() + "/UPLOAD.ASC"; }

    ProgramResult prepare(const std::function<void()>& inChild = {}) const {
        return RunProgram(MARKLIFT_PREPARE_PROGRAM,
                          {"--ini", scratch.file("MARKLIFT.ini"), "--period", "1", "--search",
                           "master", "--dates", "all", "--format", "fixed", "--records",
                           "placement", "--fields", "none", "--out", upload()},
                          inChild);
    }

    TempDirectory scratch;
};

struct ProgramFault {
    const char* what;
    bool readOnlyData;  // the data directory read-only, the program run as nobody
    bool workTableHeld;
    std::uint64_t fileSizeLimit;  // bytes a file may grow to; 0 for no limit
    const char* reason;           // in the program's last line, beside BANTABLE's name
};

TEST_F(PrepareProgramFaultTest, AWorkTableThatCannotBeBuiltEndsTheRunBeforeTheUploadFile) {
    // An earlier run left a work table and an upload file.
    const ProgramResult first = prepare();
    ASSERT_EQ(first.status, 0) << first.err;
    const std::string firstUpload = ReadFile(upload());
    WriteFile(upload(), kPreviousUpload);
    fs::permissions(upload(), fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::add);

    // The work table is some 30 KiB, so it meets an 8 KiB limit part way.
    const ProgramFault faults[] = {
        {"read-only data directory", true, false, 0, "Permission denied"},
        {"work table held by another program", false, true, 0, "in use by another program"},
        {"disk full while the work table is built", false, false, 8 * 1024, "File too large"},
    };
    for (const ProgramFault& fault : faults) {
        SCOPED_TRACE(fault.what);
        const auto dataBefore = Contents(data());
        ProgramResult result;
        {
            std::optional<ReadOnlyDirectory> readOnly;
            if (fault.readOnlyData) readOnly.emplace(data());
            std::optional<LockingProcess> holder;
            if (fault.workTableHeld) holder.emplace(data() + "/BANTABLE.dbf");
            result = prepare([&fault] {
                if (fault.readOnlyData) BecomeUnprivileged();
                if (fault.fileSizeLimit > 0) LimitFileSize(fault.fileSizeLimit);
            });
        }

        EXPECT_EQ(result.status, 1) << result.err;
        EXPECT_EQ(result.out, "");
        const std::string last = LastLine(result.err);
        EXPECT_EQ(last.rfind("marklift-prepare: ", 0), 0u) << result.err;
        EXPECT_NE(last.find(data() + "/BANTABLE."), std::string::npos) << result.err;
        EXPECT_NE(last.find(fault.reason), std::string::npos) << result.err;

        // The upload file as it was, and nothing beside it.
        EXPECT_EQ(Contents(outDir()),
                  (std::map<std::string, std::string>{{"UPLOAD.ASC", kPreviousUpload}}));
        // Nothing is left beside the tables; a work table the run began
        // may be half built.
        const auto dataAfter = Contents(data());
        for (const auto& [name, bytes] : dataAfter) EXPECT_TRUE(dataBefore.contains(name)) << name;
        // A table another program has open is not this run's to change,
        // nor is its index.
        if (fault.workTableHeld) {
            for (const auto& [name, bytes] : dataBefore)
                EXPECT_TRUE(dataAfter.contains(name) && dataAfter.at(name) == bytes) << name;
        }
    }

    // Nothing stays locked or broken: the next run writes the file again.
    const ProgramResult next = prepare();
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_TRUE(ReadFile(upload()) == firstUpload);
}

// -- The unattended export -----------------------------------------------------

// `count` copies of `sample`, each with an ID and SSN of its own.
std::vector<WorkRow> ManyRows(int count, const WorkRow& sample) {
    std::vector<WorkRow> rows;
    for (int i = 0; i < count; ++i) {
        WorkRow row = sample;
        row.id = std::to_string(100000000 + i);
        row.ssn = row.id.substr(0, 3) + "-" + row.id.substr(3, 2) + "-" + row.id.substr(5);
        rows.push_back(row);
    }
    return rows;
}

struct FullDisk {
    const char* what;
    int fileFormat;
    WorkRow sample;        // of the thousand records exported
    const char* fullFile;  // the file that meets the full disk
};

// BANNEREX keeps every field in its full width. Long texts in the comma
// layout, in quotes, make the upload file kilobytes larger than BANNEREX;
// short ones in the pipe layout, without their trailing blanks, make it
// kilobytes smaller.
TEST(AutomaticExportFullDiskTest, TheRunFailsAndThePreviousUploadFileStaysWhole) {
    const FullDisk cases[] = {
        {"while the upload file is written",
         2,
         {"", "WASHINGTONIAN", "CHRISTOPHER", "Q", "19800102", "MATH", "1234", "20040312", ""},
         "UPLOAD.ASC"},
        {"while the upload records are stored",
         1,
         {"", "LEE", "AL", "", "", "MA", "5", "20040312", ""},
         "BANNEREX.dbf"},
    };
    for (const FullDisk& c : cases) {
        SCOPED_TRACE(c.what);
        TempDirectory scratch;
        WriteWorkTable(scratch.dir(), ManyRows(1000, c.sample));
        ProgramSettings settings;
        settings.DataPath = scratch.dir();
        settings.FileFormat = c.fileFormat;
        const std::string upload = scratch.file("UPLOAD.ASC");

        // A run with room to spare gives the size of each file it writes;
        // the disk then fills halfway from the largest other file to the
        // one under test.
        ScriptedUserInterface ui;
        ASSERT_EQ(RunAutomaticExport(settings, ui, upload).outcome, ExportOutcome::Written);
        std::uint64_t fullSize = 0;
        std::uint64_t othersSize = 0;
        for (const char* name : {"UPLOAD.ASC", "BANNEREX.dbf", "BANNEREX.cdx"}) {
            const std::uint64_t size = fs::file_size(scratch.file(name));
            if (name == std::string(c.fullFile))
                fullSize = size;
            else
                othersSize = std::max(othersSize, size);
        }
        ASSERT_LT(othersSize + 4096, fullSize);
        WriteFile(upload, kPreviousUpload);
        const std::vector<std::string> before = scratch.entries();

        const ChildResult result = RunInChild([&] {
            LimitFileSize((othersSize + fullSize) / 2);
            ScriptedUserInterface childUi;
            const ExportOutcome outcome = RunAutomaticExport(settings, childUi, upload).outcome;
            return outcome == ExportOutcome::Written ? "reported as written"
                                                     : "reported as not written";
        });

        EXPECT_EQ(result.status, 1) << result.report;
        // The file is named as the user knows it, not by a temporary name.
        EXPECT_NE(result.report.find(scratch.file(c.fullFile) + ": File too large"),
                  std::string::npos)
            << result.report;
        EXPECT_TRUE(ReadFile(upload) == kPreviousUpload) << "the upload file was replaced";
        EXPECT_EQ(scratch.entries(), before);
    }
}

}  // namespace
