// Field offsets, name lookup and the read/write rules of every field kind.
#include "tables/field.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <string>

#include "tables/xbase_error.h"

namespace marklift {
namespace {

FieldDef def(const char* name, char type, int length, int decimals = 0) {
    FieldDef field;
    field.name = name;
    field.type = type;
    field.length = static_cast<std::uint8_t>(length);
    field.decimals = static_cast<std::uint8_t>(decimals);
    return field;
}

// One field of the kind under test between two one-byte guards, in a record
// filled with '#', so a write that strays outside its field shows.
class Probe {
public:
    Probe(char type, int length, int decimals = 0)
        : fields_(
              {def("LEFT", 'C', 1), def("VALUE", type, length, decimals), def("RIGHT", 'C', 1)}),
          record_(fields_.recordLength(), '#') {}

    const FieldDef& field() const { return fields_[1]; }
    char* record() { return record_.data(); }
    // The field's bytes; fails the test when a guard was touched.
    std::string stored() const {
        EXPECT_EQ(record_.substr(0, 2), "##");
        EXPECT_EQ(record_.back(), '#');
        return record_.substr(2, field().length);
    }
    void store(const std::string& bytes) {
        ASSERT_EQ(bytes.size(), field().length);
        record_.replace(2, bytes.size(), bytes);
    }

private:
    FieldList fields_;
    std::string record_;
};

TEST(FieldList, OffsetsFollowTheDeletionFlagAndTheLengths) {
    FieldList fields({def("SSN", 'C', 11), def("DATE", 'D', 8), def("ATTEMPT", 'N', 3),
                      def("DUPLICATE", 'L', 1)});
    ASSERT_EQ(fields.size(), 4u);
    EXPECT_EQ(fields[0].offset, 1u);
    EXPECT_EQ(fields[1].offset, 12u);
    EXPECT_EQ(fields[2].offset, 20u);
    EXPECT_EQ(fields[3].offset, 23u);
    EXPECT_EQ(fields.recordLength(), 24u);
    EXPECT_EQ(FieldList().recordLength(), 1u);
}

TEST(FieldList, FindIgnoresLetterCase) {
    FieldList fields({def("CODE", 'C', 4), def("LNAME", 'C', 15)});
    EXPECT_EQ(fields.find("CODE"), &fields[0]);
    EXPECT_EQ(fields.find("Code"), &fields[0]);
    EXPECT_EQ(fields.find("lname"), &fields[1]);
    EXPECT_EQ(fields.find("LNAM"), nullptr);
    EXPECT_EQ(fields.find("LNAMES"), nullptr);
    EXPECT_EQ(fields.find(""), nullptr);
}

// Every field of a table of 255 is found by its name in any case, the first
// of two of one name wins, and names too long to be stored are still told
// apart letter by letter.
TEST(FieldList, FindsEveryFieldOfAWideTable) {
    std::vector<FieldDef> defs;
    for (int i = 0; i < 253; ++i) defs.push_back(def(("F" + std::to_string(i)).c_str(), 'C', 1));
    defs.push_back(def("F7", 'N', 2));
    defs.push_back(def("AVERYLONGFIELDNAME", 'C', 1));
    FieldList fields(defs);
    for (int i = 0; i < 253; ++i) {
        ASSERT_EQ(fields.find("F" + std::to_string(i)), &fields[i]) << i;
        ASSERT_EQ(fields.find("f" + std::to_string(i)), &fields[i]) << i;
    }
    EXPECT_EQ(fields.find("F7")->type, 'C');
    EXPECT_EQ(fields.find("averylongfieldname"), &fields[254]);
    EXPECT_EQ(fields.find("AVERYLONGFIELDNAMF"), nullptr);
    EXPECT_EQ(fields.find("F253"), nullptr);
    EXPECT_EQ(fields.find(std::string("F1\0", 3)), nullptr);
    EXPECT_EQ(FieldList().find("F1"), nullptr);
}

TEST(FieldDef, KnownKinds) {
    for (char type : std::string("CDLNF")) EXPECT_TRUE(def("X", type, 1).isKnownKind()) << type;
    for (char type : std::string("MIBT0c")) EXPECT_FALSE(def("X", type, 1).isKnownKind()) << type;
}

TEST(CharacterField, ReadDropsTrailingBlanksOnly) {
    struct Case {
        std::string stored, text;
    } cases[] = {{"AB  ", "AB"}, {"    ", ""}, {" A B", " A B"}, {"ABCD", "ABCD"}};
    for (const Case& c : cases) {
        Probe probe('C', 4);
        probe.store(c.stored);
        EXPECT_EQ(readText(probe.field(), probe.record()), c.text) << c.stored;
        EXPECT_EQ(readRaw(probe.field(), probe.record()), c.stored);
    }
}

TEST(CharacterField, WritePadsAndCuts) {
    struct Case {
        std::string text, stored;
    } cases[] = {{"AB", "AB  "}, {"", "    "}, {"ABCDEF", "ABCD"}, {" X", " X  "}};
    for (const Case& c : cases) {
        Probe probe('C', 4);
        writeText(probe.field(), probe.record(), c.text);
        EXPECT_EQ(probe.stored(), c.stored) << c.text;
    }
}

TEST(DateField, Read) {
    struct Case {
        std::string stored, text;
        Date date;
    } cases[] = {
        {"20040315", "03/15/2004", Date::fromYmd(2004, 3, 15)},
        {"18991230", "12/30/1899", Date()},
        {"        ", "", Date()},
        {"20040230", "", Date()},  // no such day
        {"2004 315", "", Date()},
    };
    for (const Case& c : cases) {
        Probe probe('D', 8);
        probe.store(c.stored);
        EXPECT_EQ(readText(probe.field(), probe.record()), c.text) << c.stored;
        EXPECT_EQ(readDate(probe.field(), probe.record()), c.date) << c.stored;
    }
}

TEST(DateField, WriteDateStoresTheZeroDateAsDigits) {
    Probe probe('D', 8);
    writeDate(probe.field(), probe.record(), Date());
    EXPECT_EQ(probe.stored(), "18991230");
    writeDate(probe.field(), probe.record(), Date::fromYmd(2005, 1, 2));
    EXPECT_EQ(probe.stored(), "20050102");
}

TEST(DateField, WriteText) {
    struct Case {
        std::string text, stored;
    } cases[] = {
        {"20040315", "20040315"},     {"03/15/2004", "20040315"}, {"3/5/04", "20040305"},
        {" 12/30/1899 ", "18991230"}, {"", "        "},           {"   ", "        "},
    };
    for (const Case& c : cases) {
        Probe probe('D', 8);
        writeText(probe.field(), probe.record(), c.text);
        EXPECT_EQ(probe.stored(), c.stored) << c.text;
    }
}

TEST(DateField, WriteTextThatIsNoDateFails) {
    for (const char* text : {"02/30/2004", "2004-03-15", "15.03.2004", "x"}) {
        Probe probe('D', 8);
        probe.store("20000101");
        try {
            writeText(probe.field(), probe.record(), text);
            ADD_FAILURE() << text;
        } catch (const EXbaseError& error) {
            EXPECT_EQ(error.code(), XbaseErrorCode::BadValue);
            EXPECT_NE(std::string(error.what()).find(text), std::string::npos) << error.what();
        }
        EXPECT_EQ(probe.stored(), "20000101") << "a failed write leaves the field alone";
    }
}

TEST(LogicalField, Read) {
    for (char c : std::string("TtYy1")) {
        Probe probe('L', 1);
        probe.store(std::string(1, c));
        EXPECT_TRUE(readLogical(probe.field(), probe.record())) << c;
        EXPECT_EQ(readText(probe.field(), probe.record()), "T") << c;
    }
    for (char c : std::string("FfNn0 ?")) {
        Probe probe('L', 1);
        probe.store(std::string(1, c));
        EXPECT_FALSE(readLogical(probe.field(), probe.record())) << c;
        EXPECT_EQ(readText(probe.field(), probe.record()), "F") << c;
    }
}

TEST(LogicalField, Write) {
    struct Case {
        std::string text, stored;
    } cases[] = {{"T", "T"}, {"true", "T"}, {"yes", "T"}, {"Y", "T"}, {"1", "T"},
                 {"F", "F"}, {"no", "F"},   {"", "F"},    {"0", "F"}, {" T", "F"}};
    for (const Case& c : cases) {
        Probe probe('L', 1);
        writeText(probe.field(), probe.record(), c.text);
        EXPECT_EQ(probe.stored(), c.stored) << '"' << c.text << '"';
    }
    Probe probe('L', 1);
    writeLogical(probe.field(), probe.record(), true);
    EXPECT_EQ(probe.stored(), "T");
    writeLogical(probe.field(), probe.record(), false);
    EXPECT_EQ(probe.stored(), "F");
}

TEST(NumericField, Read) {
    struct Case {
        int length;
        std::string stored, text;
        double number;
        std::int64_t integer;
    } cases[] = {
        {3, " 42", "42", 42, 42},
        {5, "-3.75", "-3.75", -3.75, -3},
        {5, " 0.50", "0.50", 0.5, 0},
        {5, " -.50", "-.50", -0.5, 0},
        {4, "12. ", "12.", 12, 12},
        {4, "+7  ", "+7", 7, 7},
        {3, "   ", "", 0, 0},
        {3, "abc", "abc", 0, 0},
        {3, "1,5", "1,5", 0, 0},  // a comma is not the decimal point
        {3, "***", "***", 0, 0},  // overflow marks of other writers
        {3, "1 2", "1 2", 0, 0},
        {3, "inf", "inf", 0, 0},
        {3, "1e2", "1e2", 0, 0},
        {20, " 1234567890123456789", "1234567890123456789", 1234567890123456789.0,
         1234567890123456789},
    };
    for (const Case& c : cases) {
        Probe probe('N', c.length);
        probe.store(c.stored);
        EXPECT_EQ(readText(probe.field(), probe.record()), c.text) << c.stored;
        EXPECT_DOUBLE_EQ(readNumber(probe.field(), probe.record()), c.number) << c.stored;
        EXPECT_EQ(readInteger(probe.field(), probe.record()), c.integer) << c.stored;
    }
}

TEST(NumericField, ReadIntegerBeyondItsRangeIsClamped) {
    Probe probe('N', 20);
    probe.store("99999999999999999999");
    EXPECT_EQ(readInteger(probe.field(), probe.record()), std::numeric_limits<std::int64_t>::max());
    probe.store("-9999999999999999999");
    EXPECT_EQ(readInteger(probe.field(), probe.record()), std::numeric_limits<std::int64_t>::min());
}

TEST(NumericField, WriteNumber) {
    struct Case {
        int length, decimals;
        double value;
        std::string stored;
    } cases[] = {
        {3, 0, 5, "  5"},         {3, 0, -5, " -5"},
        {3, 0, 999, "999"},       {3, 0, -99, "-99"},
        {3, 0, 2.5, "  3"},       {3, 0, -2.5, " -3"},
        {3, 0, 0, "  0"},         {3, 0, -0.0, "  0"},
        {5, 2, 3.14159, " 3.14"}, {5, 2, -1.5, "-1.50"},
        {4, 1, 2.25, " 2.3"},     {5, 2, 0.001, " 0.00"},
        {5, 2, -0.001, " 0.00"},  {9, 2, 123456.78, "123456.78"},
    };
    for (const Case& c : cases) {
        Probe probe('N', c.length, c.decimals);
        writeNumber(probe.field(), probe.record(), c.value);
        EXPECT_EQ(probe.stored(), c.stored) << c.value;
    }
}

TEST(NumericField, WriteInteger) {
    struct Case {
        int length, decimals;
        std::int64_t value;
        std::string stored;
    } cases[] = {
        {4, 0, -123, "-123"},
        {6, 2, 12, " 12.00"},
        {20, 0, 1234567890123456789, " 1234567890123456789"},  // beyond a double's digits
        {20, 0, std::numeric_limits<std::int64_t>::min(), "-9223372036854775808"},
    };
    for (const Case& c : cases) {
        Probe probe('N', c.length, c.decimals);
        writeInteger(probe.field(), probe.record(), c.value);
        EXPECT_EQ(probe.stored(), c.stored) << c.value;
    }
}

TEST(NumericField, TooWideFailsWithNumericOutOfRange) {
    struct Case {
        int length, decimals;
        double value;
    } cases[] = {
        {3, 0, 1000},         {3, 0, -100},  {5, 2, 123},
        {4, 1, 999.96},       {2, 0, 1e300}, {3, 0, std::numeric_limits<double>::infinity()},
        {3, 0, std::nan("")},
    };
    for (const Case& c : cases) {
        Probe probe('N', c.length, c.decimals);
        probe.store(std::string(c.length, '7'));
        try {
            writeNumber(probe.field(), probe.record(), c.value);
            ADD_FAILURE() << c.value << " was stored as \"" << probe.stored() << '"';
        } catch (const EXbaseError& error) {
            EXPECT_EQ(error.code(), XbaseErrorCode::NumericOutOfRange);
            EXPECT_STREQ(error.what(), "Numeric out of range.");
        }
        EXPECT_EQ(probe.stored(), std::string(c.length, '7')) << "a failed write leaves it alone";
    }
    Probe probe('N', 4, 0);
    EXPECT_THROW(writeInteger(probe.field(), probe.record(), 12345), EXbaseError);
    EXPECT_THROW(writeInteger(probe.field(), probe.record(), -1234), EXbaseError);
    Probe withDecimals('N', 5, 2);
    EXPECT_THROW(writeInteger(withDecimals.field(), withDecimals.record(), 123), EXbaseError);
}

TEST(NumericField, WriteText) {
    struct Case {
        int length, decimals;
        std::string text, stored;
    } cases[] = {
        {3, 0, " 17 ", " 17"}, {5, 2, "1.5", " 1.50"}, {3, 0, "-7", " -7"},
        {3, 0, "", "   "},     {3, 0, "  ", "   "},    {3, 0, "007", "  7"},
    };
    for (const Case& c : cases) {
        Probe probe('N', c.length, c.decimals);
        writeText(probe.field(), probe.record(), c.text);
        EXPECT_EQ(probe.stored(), c.stored) << c.text;
    }
    for (const char* text : {"abc", "1,5", "1.2.3", "12abc"}) {
        Probe probe('N', 5, 0);
        try {
            writeText(probe.field(), probe.record(), text);
            ADD_FAILURE() << text;
        } catch (const EXbaseError& error) {
            EXPECT_EQ(error.code(), XbaseErrorCode::BadValue) << text;
        }
    }
    Probe probe('N', 3, 0);
    try {
        writeText(probe.field(), probe.record(), "1234");
        ADD_FAILURE();
    } catch (const EXbaseError& error) {
        EXPECT_STREQ(error.what(), "Numeric out of range.");
    }
}

TEST(FloatField, ReadsAndWritesAsNumeric) {
    Probe probe('F', 6, 2);
    writeNumber(probe.field(), probe.record(), -2.5);
    EXPECT_EQ(probe.stored(), " -2.50");
    EXPECT_DOUBLE_EQ(readNumber(probe.field(), probe.record()), -2.5);
    EXPECT_EQ(readText(probe.field(), probe.record()), "-2.50");
}

TEST(OtherKinds, AreCarriedAsBytes) {
    Probe probe('M', 10);
    probe.store("0000000042");
    EXPECT_EQ(readText(probe.field(), probe.record()), "0000000042");
    writeText(probe.field(), probe.record(), "12");
    EXPECT_EQ(probe.stored(), "12        ");
    EXPECT_EQ(readText(probe.field(), probe.record()), "12");
}

TEST(TypedWriters, NeedAFieldOfTheirKind) {
    Probe character('C', 8);
    Probe date('D', 8);
    Probe logical('L', 1);
    EXPECT_THROW(writeDate(character.field(), character.record(), Date()), EXbaseError);
    EXPECT_THROW(writeLogical(date.field(), date.record(), true), EXbaseError);
    EXPECT_THROW(writeNumber(logical.field(), logical.record(), 1), EXbaseError);
    EXPECT_THROW(writeInteger(character.field(), character.record(), 1), EXbaseError);
    EXPECT_EQ(character.stored(), "########");
    EXPECT_EQ(date.stored(), "########");
    EXPECT_EQ(logical.stored(), "#");
}

TEST(BlankField, FillsTheWholeFieldWithBlanks) {
    for (char type : std::string("CDLN")) {
        Probe probe(type, type == 'L' ? 1 : 8);
        writeBlank(probe.field(), probe.record());
        EXPECT_EQ(probe.stored(), std::string(probe.field().length, ' ')) << type;
    }
}

// Sets a German numeric locale (decimal comma) for the life of the object;
// active() is false when the system has none.
class GermanNumbers {
public:
    GermanNumbers() {
        const char* previous = std::setlocale(LC_NUMERIC, nullptr);
        previousC_ = previous ? previous : "C";
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "German_Germany.1252"}) {
            if (!std::setlocale(LC_NUMERIC, name)) continue;
            active_ = true;
            // MinGW's C++ library knows no named locale but "C": there the
            // C library's numbers alone are German.
            try {
                previousCpp_ = std::locale::global(std::locale(name));
            } catch (const std::runtime_error&) {
            }
            break;
        }
    }
    ~GermanNumbers() {
        std::locale::global(previousCpp_);
        std::setlocale(LC_NUMERIC, previousC_.c_str());
    }
    GermanNumbers(const GermanNumbers&) = delete;
    GermanNumbers& operator=(const GermanNumbers&) = delete;

    bool active() const { return active_; }

private:
    std::string previousC_;
    std::locale previousCpp_;
    bool active_ = false;
};

TEST(NumericField, PointIsTheDecimalSeparatorWhateverTheLocale) {
    GermanNumbers german;
    if (!german.active()) GTEST_SKIP() << "no German locale on this system";
    ASSERT_EQ(std::string(std::localeconv()->decimal_point), ",");

    Probe probe('N', 6, 2);
    writeNumber(probe.field(), probe.record(), 2.5);
    EXPECT_EQ(probe.stored(), "  2.50");
    EXPECT_DOUBLE_EQ(readNumber(probe.field(), probe.record()), 2.5);
    writeText(probe.field(), probe.record(), "-1.25");
    EXPECT_EQ(probe.stored(), " -1.25");
    EXPECT_THROW(writeText(probe.field(), probe.record(), "1,5"), EXbaseError);
    probe.store("  1,50");
    EXPECT_DOUBLE_EQ(readNumber(probe.field(), probe.record()), 0.0);
}

}  // namespace
}  // namespace marklift
