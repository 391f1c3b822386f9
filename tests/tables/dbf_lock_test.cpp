// Who may open a table while someone else has it open: the three open modes
// against each other, in one process and across processes.
#include <gtest/gtest.h>

#include <string>

#include "dbf_test_support.h"
#include "support/child_program.h"
#include "support/temp_directory.h"
#include "tables/dbf_file.h"
#include "tables/field_definition.h"
#include "tables/xbase_error.h"

namespace marklift {
namespace {

using Mode = DbfFile::Mode;
using testing::TempDirectory;

const char* name(Mode mode) {
    switch (mode) {
        case Mode::ReadOnly:
            return "ReadOnly";
        case Mode::Shared:
            return "Shared";
        case Mode::Exclusive:
            return "Exclusive";
    }
    return "?";
}

class DbfLock : public ::testing::Test {
protected:
    DbfLock() : path_(dir_.file("LOCKED.DBF")) {
        DbfFile::create(path_, parseFieldDefinitions("CODE, C, 4,0;"));
    }

    // True when a second DbfFile could open the table; otherwise checks the
    // error is OpenFailed saying the file is in use.
    bool opens(Mode mode) const {
        try {
            DbfFile second(path_, mode);
            return true;
        } catch (const EXbaseError& error) {
            // The words OpenWithRetry's question shows, on every system.
            EXPECT_EQ(error.code(), XbaseErrorCode::OpenFailed);
            EXPECT_EQ(std::string(error.what()), path_ + " is in use by another program");
            return false;
        }
    }

    TempDirectory dir_;
    std::string path_;
};

TEST_F(DbfLock, ModesAgainstEachOtherInOneProcess) {
    struct Case {
        Mode holder, second;
        bool opens;
    } cases[] = {
        {Mode::Exclusive, Mode::Exclusive, false}, {Mode::Exclusive, Mode::Shared, false},
        {Mode::Exclusive, Mode::ReadOnly, false},  {Mode::Shared, Mode::Exclusive, false},
        {Mode::Shared, Mode::Shared, true},        {Mode::Shared, Mode::ReadOnly, true},
        {Mode::ReadOnly, Mode::Exclusive, false},  {Mode::ReadOnly, Mode::Shared, true},
        {Mode::ReadOnly, Mode::ReadOnly, true},
    };
    for (const Case& c : cases) {
        {
            DbfFile holder(path_, c.holder);
            EXPECT_EQ(opens(c.second), c.opens) << name(c.holder) << " then " << name(c.second);
        }
        EXPECT_TRUE(opens(Mode::Exclusive)) << "the lock outlived " << name(c.holder);
    }
}

TEST_F(DbfLock, AMissingFileFailsToOpen) {
    std::string missing = dir_.file("MISSING.DBF");
    try {
        DbfFile table(missing, Mode::ReadOnly);
        ADD_FAILURE() << "opened a missing file";
    } catch (const EXbaseError& error) {
        EXPECT_EQ(error.code(), XbaseErrorCode::OpenFailed);
        EXPECT_NE(std::string(error.what()).find(missing), std::string::npos) << error.what();
    }
}

// Has another process open the table shared: true when it could.
bool otherProcessOpens(const std::string& path) {
    testing::ChildProgram other(MARKLIFT_HOLD_TABLE, {"shared", path});
    const std::string report = other.readLine();
    const int status = other.finish();
    EXPECT_TRUE(report == "opened" ? status == 0 : status == 3) << report << ", status " << status;
    if (report != "opened") {
        EXPECT_NE(report.find("in use by another program"), std::string::npos) << report;
    }
    return report == "opened";
}

TEST_F(DbfLock, ExclusiveKeepsOtherProcessesOut) {
    {
        DbfFile holder(path_, Mode::Exclusive);
        EXPECT_FALSE(otherProcessOpens(path_));
    }
    EXPECT_TRUE(otherProcessOpens(path_));
    DbfFile holder(path_, Mode::Shared);
    EXPECT_TRUE(otherProcessOpens(path_));
}

TEST_F(DbfLock, AnotherProcessHoldingTheTableExclusivelyKeepsEveryModeOut) {
    testing::ChildProgram other(MARKLIFT_HOLD_TABLE, {"exclusive", path_});
    ASSERT_EQ(other.readLine(), "opened");
    for (Mode mode : {Mode::ReadOnly, Mode::Shared, Mode::Exclusive})
        EXPECT_FALSE(opens(mode)) << name(mode);
    EXPECT_EQ(other.finish(), 0);
    EXPECT_TRUE(opens(Mode::Exclusive)) << "the lock outlived the other process";
}

}  // namespace
}  // namespace marklift
