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

TEST(IniText, KeyThatWouldReadAsASectionIsRefused) {
    for (const char* key : {"[B]", "[", "  [B", "\t[x"}) {
        SCOPED_TRACE(key);
        EXPECT_THROW(SetIniValue("[A]\r\nK=1\r\n", "A", key, "2"), std::invalid_argument);
    }
}

}  // namespace
}  // namespace marklift
