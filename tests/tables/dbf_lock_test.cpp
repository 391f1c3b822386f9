// Who may open a table while someone else has it open: the three open modes
// against each other, in one process and across processes.
#include <gtest/gtest.h>

#include <string>

#include "dbf_test_support.h"
#include "support/temp_directory.h"
#include "tables/dbf_file.h"
#include "tables/field_definition.h"
#include "tables/xbase_error.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

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
    // error is OpenFailed naming the file.
    bool opens(Mode mode) const {
        try {
            DbfFile second(path_, mode);
            return true;
        } catch (const EXbaseError& error) {
            EXPECT_EQ(error.code(), XbaseErrorCode::OpenFailed);
            EXPECT_NE(std::string(error.what()).find(path_), std::string::npos) << error.what();
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

#ifndef _WIN32
// Runs a child process that tries to open the table shared: true when it could.
bool childOpens(const std::string& path) {
    constexpr int kOpened = 10, kRefused = 20, kOther = 30;
    pid_t pid = fork();
    if (pid == 0) {
        int status = kOther;
        try {
            DbfFile table(path, Mode::Shared);
            status = kOpened;
        } catch (const EXbaseError& error) {
            if (error.code() == XbaseErrorCode::OpenFailed) status = kRefused;
        } catch (...) {
        }
        _exit(status);
    }
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), kOther);
    return WEXITSTATUS(status) == kOpened;
}

TEST_F(DbfLock, ExclusiveKeepsOtherProcessesOut) {
    {
        DbfFile holder(path_, Mode::Exclusive);
        EXPECT_FALSE(childOpens(path_));
    }
    EXPECT_TRUE(childOpens(path_));
    DbfFile holder(path_, Mode::Shared);
    EXPECT_TRUE(childOpens(path_));
}
#endif

}  // namespace
}  // namespace marklift
