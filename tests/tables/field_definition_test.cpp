// Field-definition strings: the forms tables are created from, and the
// faults each is refused for.
#include "tables/field_definition.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tables/xbase_error.h"

namespace marklift {
namespace {

const char* const kCodeTable =
    "CODE,     C, 4,0;INCLUDE,  L, 1,0;NEWCODE,  C, 4,0;MESSAGE,  C, 110,0;";
const char* const kWorkTable =
    "ID,       C, 9,0;LNAME,    C,13,0;FNAME,    C,11,0;MNAME,    C, 1,0;BIRTHDATE,D, 8,0;"
    "TESTCODE, C, 4,0;TESTSCORE,C, 8,0;DATE,     D, 8,0;SSN,      C,11,0;CODE,     C, 4,0;"
    "CORRECT,  N, 3,0;SCORE,    N, 4,0;ATTEMPT,  N, 3,0;SS1,      N, 2,0;SS2,      N, 2,0;"
    "SS3,      N, 2,0;SS4,      N, 2,0;SS5,      N, 2,0;SS6,      N, 2,0;SS7,      N, 2,0;"
    "SS8,      N, 2,0;SS9,      N, 2,0;SS10,     N, 2,0;GRPNUMBER,C, 7,0;SITECODE, C, 2,0;";

// "NAME TYPE LENGTH DECIMALS" per field, to compare a whole list at once.
std::vector<std::string> describe(const FieldList& fields) {
    std::vector<std::string> result;
    for (const FieldDef& f : fields.fields()) {
        result.push_back(f.name + " " + f.type + " " + std::to_string(f.length) + " " +
                         std::to_string(f.decimals));
    }
    return result;
}

TEST(FieldDefinitions, CodeTable) {
    FieldList fields = parseFieldDefinitions(kCodeTable);
    EXPECT_EQ(describe(fields), (std::vector<std::string>{"CODE C 4 0", "INCLUDE L 1 0",
                                                          "NEWCODE C 4 0", "MESSAGE C 110 0"}));
    EXPECT_EQ(fields.recordLength(), 1u + 4 + 1 + 4 + 110);
    EXPECT_EQ(fields[3].offset, 10u);
}

TEST(FieldDefinitions, WorkTable) {
    FieldList fields = parseFieldDefinitions(kWorkTable);
    ASSERT_EQ(fields.size(), 25u);
    EXPECT_EQ(describe(fields)[4], "BIRTHDATE D 8 0");
    EXPECT_EQ(describe(fields)[22], "SS10 N 2 0");
    EXPECT_EQ(describe(fields)[24], "SITECODE C 2 0");
    EXPECT_EQ(fields.recordLength(), 117u);  // as MULTI.DBF, written by another xBase engine
}

TEST(FieldDefinitions, AcceptedForms) {
    struct Case {
        const char* text;
        std::vector<std::string> fields;
    } cases[] = {
        {"Subscores, C, 20,0;", {"SUBSCORES C 20 0"}},
        {"A,C,1,0;", {"A C 1 0"}},
        {"  code , c , 4 , 0 ;  ", {"CODE C 4 0"}},
        {"\tX_1,\tN,\t8,\t2;", {"X_1 N 8 2"}},
        {"AMOUNT, N, 20, 18;BIG, C, 254, 0;", {"AMOUNT N 20 18", "BIG C 254 0"}},
        {"F, L, 1, 0; D, D, 8, 00;", {"F L 1 0", "D D 8 0"}},
        {"ABCDEFGHIJ, C, 1, 0;", {"ABCDEFGHIJ C 1 0"}},
    };
    for (const Case& c : cases) {
        try {
            EXPECT_EQ(describe(parseFieldDefinitions(c.text)), c.fields) << c.text;
        } catch (const EXbaseError& error) {
            ADD_FAILURE() << c.text << ": " << error.what();
        }
    }
}

TEST(FieldDefinitions, RefusedForms) {
    struct Case {
        const char* text;
        const char* item;    // the item the message must name, if any
        const char* reason;  // a part of the message
    } cases[] = {
        {"", nullptr, "at least one field"},
        {"   ", nullptr, "at least one field"},
        {"CODE, C, 4,0", "CODE, C, 4,0", "semicolon"},
        {"CODE, C, 4,0;NAME, C, 5,0", "NAME, C, 5,0", "semicolon"},
        {"CODE, C, 4,0;;", "", "empty"},
        {"CODE, X, 4,0;", "CODE, X, 4,0", "type"},
        {"CODE, CC, 4,0;", "CODE, CC, 4,0", "one letter"},
        {"CODE, , 4,0;", "CODE, , 4,0", "one letter"},
        {"CODE, C, four,0;", "CODE, C, four,0", "length"},
        {"CODE, C, -4,0;", "CODE, C, -4,0", "length"},
        {"CODE, C, ,0;", "CODE, C, ,0", "length"},
        {"CODE, C, 4,x;", "CODE, C, 4,x", "decimals"},
        {"CODE, C, 4 4,0;", "CODE, C, 4 4,0", "length"},
        {"CODE, C, 99999999999,0;", "CODE, C, 99999999999,0", "length"},
        {"CODE, C, 4;", "CODE, C, 4", "a name, a type, a length and decimals"},
        {"CODE, C, 4,0,1;", "CODE, C, 4,0,1", "a name, a type, a length and decimals"},
        {"ABCDEFGHIJK, C, 4,0;", "ABCDEFGHIJK, C, 4,0", "longer than 10"},
        {", C, 4,0;", ", C, 4,0", "name is missing"},
        {"1CODE, C, 4,0;", "1CODE, C, 4,0", "begin with a letter"},
        {"CO DE, C, 4,0;", "CO DE, C, 4,0", "letters, digits"},
        {"CODE, C, 4,0;code, L, 1,0;", "code, L, 1,0", "named twice"},
        {"BIRTH, D, 6,0;", "BIRTH, D, 6,0", "length of 8"},
        {"FLAG, L, 2,0;", "FLAG, L, 2,0", "length of 1"},
        {"CODE, C, 0,0;", "CODE, C, 0,0", "1 to 254"},
        {"CODE, C, 255,0;", "CODE, C, 255,0", "1 to 254"},
        {"AMT, N, 21,0;", "AMT, N, 21,0", "1 to 20"},
        {"AMT, N, 3,2;", "AMT, N, 3,2", "decimals"},
        {"CODE, C, 4,1;", "CODE, C, 4,1", "no decimals"},
        {"WHEN, D, 8,2;", "WHEN, D, 8,2", "no decimals"},
    };
    for (const Case& c : cases) {
        try {
            parseFieldDefinitions(c.text);
            ADD_FAILURE() << '"' << c.text << "\" was accepted";
        } catch (const EXbaseError& error) {
            std::string message = error.what();
            EXPECT_EQ(error.code(), XbaseErrorCode::BadFieldDefinition) << message;
            EXPECT_NE(message.find('"' + std::string(c.text) + '"'), std::string::npos) << message;
            if (c.item) {
                EXPECT_NE(message.find('"' + std::string(c.item) + '"'), std::string::npos)
                    << message;
            }
            EXPECT_NE(message.find(c.reason), std::string::npos) << message;
        }
    }
}

}  // namespace
}  // namespace marklift
