// The initialisation-file text on its own: a value written is the value read
// back, whatever blanks surround the names, and a second write of the same
// value changes nothing; names that cannot stand on a key line are refused.
#include "core/config/ini_text.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace marklift {
namespace {

struct EditCase {
    const char* name;
    const char* before;
    const char* section;
    const char* key;
    const char* value;
    const char* after;
};

TEST(IniText, ValueWrittenReadsBackAndRewritingItChangesNothing) {
    const EditCase cases[] = {
        {"names with blanks find the existing line", "[Directories]\r\nZOLT Path=C:\\\r\n",
         " Directories ", "\tZOLT Path ", "D:\\", "[Directories]\r\nZOLT Path=D:\\\r\n"},
        {"new key written without its blanks", "[A]\r\nK=1\r\n", "A", " L\t", "2",
         "[A]\r\nK=1\r\nL=2\r\n"},
        {"new section written without its blanks", "", " B ", " K ", "v", "[B]\r\nK=v\r\n"},
        {"brackets inside a key", "[A]\r\n", "A", "a[b]", "1", "[A]\r\na[b]=1\r\n"},
        {"a carriage return ending the text stays a line end", "[A]\r\nK=C:\\DELV\\\r", "B", "L",
         "1", "[A]\r\nK=C:\\DELV\\\r\n\r\n[B]\r\nL=1\r\n"},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string after = SetIniValue(c.before, c.section, c.key, c.value);
        EXPECT_EQ(after, c.after);
        EXPECT_EQ(FindIniValue(after, c.section, c.key), c.value);
        EXPECT_EQ(SetIniValue(after, c.section, c.key, c.value), after);
    }
}

TEST(IniText, CarriageReturnEndingTheTextIsNoPartOfTheValue) {
    const std::string text = "[Directories]\r\nZOLT Path=C:\\DELV\\\r";
    EXPECT_EQ(FindIniValue(text, "Directories", "ZOLT Path"), "C:\\DELV\\");
    const std::string edited = SetIniValue(text, "ZOLT Export", "Search", "1");
    EXPECT_EQ(FindIniValue(edited, "Directories", "ZOLT Path"), "C:\\DELV\\");
}

// Notepad may save the file with a UTF-8 byte-order mark before the first
// section; the mark belongs to no line and stays at the start.
TEST(IniText, AByteOrderMarkKeepsTheFirstSection) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string text = bom + "[Directories]\r\nZOLT Path=D:\\ZOLT\\\r\n[Testing Periods]\r\n";
    EXPECT_EQ(FindIniValue(text, "Directories", "ZOLT Path"), "D:\\ZOLT\\");

    const EditCase cases[] = {
        {"the key of the first section", "", "Directories", "ZOLT Path", "E:\\",
         "[Directories]\r\nZOLT Path=E:\\\r\n[Testing Periods]\r\n"},
        {"a new key of the first section", "", "directories", "Extra", "1",
         "[Directories]\r\nZOLT Path=D:\\ZOLT\\\r\nExtra=1\r\n[Testing Periods]\r\n"},
        {"a key of a later section", "", "Testing Periods", "ZOLT From", "3",
         "[Directories]\r\nZOLT Path=D:\\ZOLT\\\r\n[Testing Periods]\r\nZOLT From=3\r\n"},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string after = SetIniValue(text, c.section, c.key, c.value);
        EXPECT_EQ(after, bom + c.after);
        EXPECT_EQ(FindIniValue(after, c.section, c.key), c.value);
    }
    EXPECT_EQ(SetIniValue(bom, "A", "K", "v"), bom + "[A]\r\nK=v\r\n");
}

TEST(IniText, KeyThatWouldReadAsASectionIsRefused) {
    for (const char* key : {"[B]", "[", "  [B", "\t[x"}) {
        SCOPED_TRACE(key);
        EXPECT_THROW(SetIniValue("[A]\r\nK=1\r\n", "A", key, "2"), std::invalid_argument);
    }
}

}  // namespace
}  // namespace marklift
