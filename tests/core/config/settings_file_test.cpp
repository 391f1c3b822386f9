#include "core/config/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "core/session/program_error.h"
#include "support/child_process.h"
#include "support/temp_directory.h"

namespace marklift {
namespace {

using testing::BecomeUnprivileged;
using testing::ChildResult;
using testing::ReadOnlyDirectory;
using testing::RunInChild;
using testing::TempDirectory;

class SettingsFileTest : public ::testing::Test {
protected:
    SettingsFile file() const { return SettingsFile(dir.programPath() + "MARKLIFT.ini"); }
    void store(const std::string& text) const { dir.writeFile("MARKLIFT.ini", text); }
    std::string stored() const { return dir.readFile("MARKLIFT.ini"); }

    TempDirectory dir;
};

struct StringCase {
    const char* name;
    const char* text;
    const char* section;
    const char* key;
    const char* expected;  // "<default>" when the default comes back
};

TEST_F(SettingsFileTest, ReadsStringsTheWayEarlierRunsWroteThem) {
    const StringCase cases[] = {
        {"plain", "[Directories]\nZOLT Path=D:\\ZOLT\\\n", "Directories", "ZOLT Path",
         "D:\\ZOLT\\"},
        {"CRLF line ends", "[Directories]\r\nZOLT Path=D:\\ZOLT\\\r\n", "Directories", "ZOLT Path",
         "D:\\ZOLT\\"},
        {"names in other case", "[directories]\r\nzolt path=D:\\x\\\r\n", "Directories",
         "ZOLT Path", "D:\\x\\"},
        {"blanks around names and value", "  [ Directories ]\r\n  ZOLT Path \t=  \tD:\\x\\ \t\r\n",
         "Directories", "ZOLT Path", "D:\\x\\"},
        {"text after the first equals sign", "[A]\nK= a = b \n", "A", "K", "a = b"},
        {"empty value", "[A]\nK=\n", "A", "K", ""},
        {"first of two lines", "[A]\nK=1\nK=2\n", "A", "K", "1"},
        {"no line end at the end", "[A]\nK=last", "A", "K", "last"},
        {"key in another section", "[A]\nK=1\n[B]\nOther=2\n", "B", "K", "<default>"},
        {"key before any section", "K=1\n[A]\n", "A", "K", "<default>"},
        {"missing section", "[A]\nK=1\n", "C", "K", "<default>"},
        {"missing key", "[A]\nK=1\n", "A", "L", "<default>"},
        {"comment and blank lines skipped", "; comment\n\n[A]\n; K=2\n\nK=3\n", "A", "K", "3"},
    };
    for (const StringCase& c : cases) {
        SCOPED_TRACE(c.name);
        store(c.text);
        EXPECT_EQ(file().readString(c.section, c.key, "<default>"), c.expected);
    }
}

TEST_F(SettingsFileTest, MissingFileReadsDefaultsAndCreatesNothing) {
    EXPECT_EQ(file().readString("Directories", "ZOLT Path", "C:\\DELV\\"), "C:\\DELV\\");
    EXPECT_EQ(file().readInteger("ZOLT Export", "Search", 4), 4);
    EXPECT_TRUE(file().readBool("ZOLT Export", "Include Score Records", true));
    EXPECT_EQ(file().readDate("ZOLT Export", "Begin Date", Date(1234)), Date(1234));
    EXPECT_TRUE(dir.entries().empty());
}

TEST_F(SettingsFileTest, FileNameFoundWithoutRegardToCase) {
    dir.writeFile("marklift.INI", "[A]\r\nK=1\r\n");
    EXPECT_EQ(file().readString("A", "K", ""), "1");
    file().writeString("A", "K", "2");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"marklift.INI"});
    EXPECT_EQ(dir.readFile("marklift.INI"), "[A]\r\nK=2\r\n");
}

TEST_F(SettingsFileTest, LongValueIsCutTo2047Characters) {
    const std::string longValue = std::string(2047, 'a') + "bcd";
    store("[A]\r\nK=" + longValue + "\r\n");
    EXPECT_EQ(file().readString("A", "K", ""), std::string(2047, 'a'));
}

struct IntegerCase {
    const char* stored;
    int expected;  // 99 is the default
};

TEST_F(SettingsFileTest, ReadsIntegersInDecimalAndHexadecimal) {
    const IntegerCase cases[] = {
        {"5", 5},
        {"-3", -3},
        {" 7 ", 7},
        {"0", 0},
        {"0x1", 1},
        {"0X1f", 31},
        {"0x7FFFFFFF", 2147483647},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483648},
        {"0x", 99},
        {"0xZ", 99},
        {"0x-1", 99},
        {"-0x1", 99},
        {"2147483648", 99},
        {"0x80000000", 99},
        {"yes", 99},
        {"", 99},
        {"+4", 99},
        {"1.5", 99},
        {"12abc", 99},
        {"1 2", 99},
        {"-", 99},
    };
    for (const IntegerCase& c : cases) {
        SCOPED_TRACE(c.stored);
        store(std::string("[ZOLT Export]\r\nSearch=") + c.stored + "\r\n");
        EXPECT_EQ(file().readInteger("ZOLT Export", "Search", 99), c.expected);
    }
}

TEST_F(SettingsFileTest, ReadsBooleansAsIntegers) {
    struct Case {
        const char* stored;
        bool defaultValue;
        bool expected;
    };
    const Case cases[] = {
        {"1", false, true},    {"0", true, false},     {"2", false, true},
        {"-1", false, true},   {"0x0", true, false},   {"yes", true, true},
        {"yes", false, false}, {"true", false, false}, {"", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.stored) + (c.defaultValue ? " default true" : " default false"));
        store(std::string("[ZOLT Export]\r\nInclude Score Records=") + c.stored + "\r\n");
        EXPECT_EQ(file().readBool("ZOLT Export", "Include Score Records", c.defaultValue),
                  c.expected);
    }
}

TEST_F(SettingsFileTest, ReadsDatesInShortFormat) {
    const Date today = Date::fromYmd(2024, 5, 6);
    store("[E]\r\nBegin=03/15/2004\r\nZero=12/30/1899\r\nBad=2004-03-15\r\nNoDay=02/30/2004\r\n");
    EXPECT_EQ(file().readDate("E", "Begin", today), Date::fromYmd(2004, 3, 15));
    EXPECT_EQ(file().readDate("E", "Zero", today), Date());
    EXPECT_EQ(file().readDate("E", "Missing", today), today);
    EXPECT_EQ(file().readDate("E", "Bad", today), std::nullopt);
    EXPECT_EQ(file().readDate("E", "NoDay", today), std::nullopt);
}

struct WriteCase {
    const char* name;
    const char* before;  // nullptr: no file
    const char* section;
    const char* key;
    const char* value;
    const char* after;
};

TEST_F(SettingsFileTest, WriteChangesOnlyTheKeysLine) {
    const WriteCase cases[] = {
        {"first write creates the file", nullptr, "ZOLT Export", "Search", "1",
         "[ZOLT Export]\r\nSearch=1\r\n"},
        {"existing key replaced, CRLF and other lines kept",
         "; settings\r\n[Directories]\r\nZOLT Path=C:\\DELV\\\r\n\r\n[ZOLT Export]\r\n"
         "Unknown = keep  \r\nSearch = 0\r\nFile Format=2\r\n",
         "ZOLT Export", "Search", "1",
         "; settings\r\n[Directories]\r\nZOLT Path=C:\\DELV\\\r\n\r\n[ZOLT Export]\r\n"
         "Unknown = keep  \r\nSearch=1\r\nFile Format=2\r\n"},
        {"key spelled in other case keeps its spelling", "[zolt export]\r\n  search=0\r\n",
         "ZOLT Export", "Search", "-1", "[zolt export]\r\n  search=-1\r\n"},
        {"new key after the section's last key, before the blank line",
         "[Directories]\r\nZOLT Path=C:\\\r\n\r\n; export\r\n[ZOLT Export]\r\nSearch=0\r\n",
         "Directories", "Other", "x",
         "[Directories]\r\nZOLT Path=C:\\\r\nOther=x\r\n\r\n; export\r\n[ZOLT Export]\r\n"
         "Search=0\r\n"},
        {"new key in a section without keys", "[A]\r\n[B]\r\nK=1\r\n", "A", "K", "2",
         "[A]\r\nK=2\r\n[B]\r\nK=1\r\n"},
        {"new key when the last line has no line end", "[A]\r\nK=1", "A", "L", "2",
         "[A]\r\nK=1\r\nL=2\r\n"},
        {"new section at the end after a blank line", "[A]\r\nK=1\r\n", "B", "K", "2",
         "[A]\r\nK=1\r\n\r\n[B]\r\nK=2\r\n"},
        {"new section after a file ending in a blank line", "[A]\r\nK=1\r\n\r\n", "B", "K", "2",
         "[A]\r\nK=1\r\n\r\n[B]\r\nK=2\r\n"},
        {"new section after a last line without line end", "[A]\r\nK=1", "B", "K", "2",
         "[A]\r\nK=1\r\n\r\n[B]\r\nK=2\r\n"},
        {"LF file keeps LF", "[A]\nK=1\n", "A", "L", "2", "[A]\nK=1\nL=2\n"},
        {"empty file", "", "A", "K", "v", "[A]\r\nK=v\r\n"},
        {"value holding an equals sign", "[A]\r\nK=1\r\n", "A", "K", "a=b", "[A]\r\nK=a=b\r\n"},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(dir.path() / "MARKLIFT.ini");
        if (c.before) store(c.before);
        file().writeString(c.section, c.key, c.value);
        EXPECT_EQ(stored(), c.after);
        EXPECT_EQ(file().readString(c.section, c.key, "<default>"), c.value);
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"MARKLIFT.ini"});
    }
}

TEST_F(SettingsFileTest, WritesEachValueForm) {
    SettingsFile settings = file();
    settings.writeInteger("E", "Negative", -1);
    settings.writeBool("E", "Yes", true);
    settings.writeBool("E", "No", false);
    settings.writeDate("E", "Date", Date::fromYmd(2004, 3, 5));
    settings.writeDate("E", "Empty", Date());
    EXPECT_EQ(stored(),
              "[E]\r\nNegative=-1\r\nYes=1\r\nNo=0\r\nDate=03/05/2004\r\nEmpty=12/30/1899\r\n");
}

TEST_F(SettingsFileTest, TypedKeysUseTheirNamesAndDefaults) {
    SettingsFile settings = file();
    EXPECT_EQ(settings.read(settings_keys::kZoltPath), "C:\\DELV\\");
    EXPECT_EQ(settings.read(settings_keys::kAutoExportTime), -1);
    EXPECT_TRUE(settings.read(settings_keys::kIncludePlacementRecords));
    settings.write(settings_keys::kAutoExportFilename, "C:\\up.asc");
    settings.write(settings_keys::kExportFilename, "C:\\manual.asc");
    EXPECT_EQ(stored(),
              "[ZOLT Auto Export]\r\nFilename=C:\\up.asc\r\n\r\n"
              "[ZOLT Export]\r\nFilename=C:\\manual.asc\r\n");
    EXPECT_EQ(settings.read(settings_keys::kAutoExportFilename), "C:\\up.asc");
}

TEST_F(SettingsFileTest, FailedWriteNamesTheFileAndChangesNothing) {
    dir.writeFile("NotADirectory", "plain file");
    const std::string name = dir.programPath() + "NotADirectory\\MARKLIFT.ini";
    SettingsFile settings(name);
    try {
        settings.writeString("A", "K", "1");
        FAIL() << "the write did not fail";
    } catch (const MarkliftError& error) {
        EXPECT_STREQ(error.what(), ("Unable to write to " + name).c_str());
    }
    EXPECT_EQ(dir.readFile("NotADirectory"), "plain file");
    EXPECT_EQ(settings.readString("A", "K", "none"), "none");
}

// Run in a child as nobody: the tests run as root, whom permission bits do
// not stop. The write needs a new file beside the old one, so a read-only
// directory refuses it even where the file itself may be written; a
// read-only file is not replaced although its directory would allow it.
TEST_F(SettingsFileTest, WithoutWriteAccessTheWriteFailsNamingTheFileAndReadingGoesOn) {
    namespace fs = std::filesystem;
    struct Case {
        const char* what;
        const char* before;  // nullptr: no file yet
        bool directoryWritable;
        bool fileWritable;
    };
    const Case cases[] = {
        {"read-only directory, no settings file yet", nullptr, false, false},
        {"read-only directory and file", "[A]\r\nK=1\r\n", false, false},
        {"read-only directory, a file anyone may write", "[A]\r\nK=1\r\n", false, true},
        {"read-only file in a directory anyone may write", "[A]\r\nK=1\r\n", true, false},
    };
    const std::string name = dir.programPath() + "MARKLIFT.ini";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(dir.path() / "MARKLIFT.ini");
        if (c.before) store(c.before);
        const std::vector<std::string> entries = dir.entries();
        ChildResult result;
        {
            ReadOnlyDirectory readOnly(dir.path());
            if (c.directoryWritable) fs::permissions(dir.path(), fs::perms::all);
            if (c.fileWritable) fs::permissions(dir.path() / "MARKLIFT.ini", fs::perms::all);
            result = RunInChild([&] {
                BecomeUnprivileged();
                SettingsFile settings = file();
                std::string report;
                for (const char* value : {"2", "3"}) {
                    try {
                        settings.writeString("A", "K", value);
                        report += "written; ";
                    } catch (const MarkliftError& error) {
                        report += std::string(error.what()) + "; ";
                    }
                }
                return report + settings.readString("A", "K", "none");
            });
        }
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.report, "Unable to write to " + name + "; Unable to write to " + name +
                                     "; " + (c.before ? "1" : "none"));
        EXPECT_EQ(dir.entries(), entries);
        if (c.before) {
            EXPECT_EQ(stored(), c.before);
        }
    }
}

TEST_F(SettingsFileTest, NamesAndValuesThatCannotBeOneLineAreRefused) {
    store("[A]\r\nK=1\r\n");
    EXPECT_THROW(file().writeString("A", "K=", "2"), std::invalid_argument);
    EXPECT_THROW(file().writeString("A]", "K", "2"), std::invalid_argument);
    EXPECT_THROW(file().writeString("A", "K", "2\r\n[B]"), std::invalid_argument);
    EXPECT_THROW(file().writeString("A", "", "2"), std::invalid_argument);
    EXPECT_EQ(stored(), "[A]\r\nK=1\r\n");
}

}  // namespace
}  // namespace marklift
