// Filters and index keys evaluated on records laid out like ZOLT's placement,
// assessment and score tables.
#include "tables/expression.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tables/xbase_error.h"

namespace marklift {
namespace {

FieldList zoltFields() {
    return FieldList({
        {"SSN", 'C', 11},
        {"LNAME", 'C', 15},
        {"CODE", 'C', 4},
        {"TESTCODE", 'C', 4},
        {"DATE", 'D', 8},
        {"RETEST", 'C', 1},
        {"DUPLICATE", 'L', 1},
        {"SCORE", 'N', 6, 1},
        {"ID", 'N', 9},
        {"NOTES", 'M', 10},
    });
}

// One record's bytes, every field blank until set.
class Record {
public:
    explicit Record(const FieldList& fields)
        : fields_(fields), bytes_(fields.recordLength(), ' ') {}

    Record& set(const std::string& name, const std::string& stored) {
        const FieldDef* field = fields_.find(name);
        EXPECT_NE(field, nullptr) << name;
        EXPECT_LE(stored.size(), field->length) << name;
        std::memset(bytes_.data() + field->offset, ' ', field->length);
        std::memcpy(bytes_.data() + field->offset, stored.data(), stored.size());
        return *this;
    }
    const char* data() const { return bytes_.data(); }

private:
    const FieldList& fields_;
    std::vector<char> bytes_;
};

using Values = std::vector<std::pair<std::string, std::string>>;

struct FilterCase {
    std::string filter;
    Values values;
    bool expected;
};

class ExpressionTest : public ::testing::Test {
protected:
    bool test(const std::string& filter, const Values& values) {
        Record record(fields_);
        for (const auto& [name, stored] : values) record.set(name, stored);
        return Expression::parse(filter, fields_).test(record.data());
    }

    void expectAll(const std::vector<FilterCase>& cases) {
        for (const FilterCase& c : cases) {
            std::string shown;
            for (const auto& [name, stored] : c.values) shown += name + "=[" + stored + "] ";
            EXPECT_EQ(test(c.filter, c.values), c.expected) << c.filter << " with " << shown;
        }
    }

    FieldList fields_ = zoltFields();
};

// What the program composes from a begin and an end date.
std::string dateFilter(const std::string& begin, const std::string& end) {
    return "(DTOS(Date) >= \"" + begin + "\") .and. (DTOS(Date) <= \"" + end + "\")";
}

TEST_F(ExpressionTest, EqualsComparesOnlyAsFarAsTheRightSideWhenExactIsOff) {
    expectAll({
        {"(retest <> \"N\")", {{"RETEST", "N"}}, false},
        {"(retest <> \"N\")", {{"RETEST", "n"}}, true},
        {"(retest <> \"N\")", {{"RETEST", ""}}, true},
        {"(retest <> \"N\")", {{"RETEST", "Y"}}, true},
        {"retest = \"N\"", {{"RETEST", "N"}}, true},
        {"retest = \"N\"", {{"RETEST", "n"}}, false},
        {"retest # \"N\"", {{"RETEST", "N"}}, false},
        {"retest != \"N\"", {{"RETEST", "Y"}}, true},
        // An empty right side matches everything.
        {"retest = \"\"", {{"RETEST", "Y"}}, true},
        {"retest <> \"\"", {{"RETEST", ""}}, false},
        {"LNAME = \"SMI\"", {{"LNAME", "SMITH"}}, true},
        {"LNAME = \"SMITH\"", {{"LNAME", "SMITHSON"}}, true},
        {"LNAME = \"SMITT\"", {{"LNAME", "SMITH"}}, false},
        // A right side longer than the left never matches, blanks or not.
        {"LNAME = \"SMITH           \"", {{"LNAME", "SMITH"}}, false},
        {"\"SMI\" = LNAME", {{"LNAME", "SMITH"}}, false},
        {"CODE = TESTCODE", {{"CODE", "EN01"}, {"TESTCODE", "EN01"}}, true},
        {"CODE = TESTCODE", {{"CODE", "EN01"}, {"TESTCODE", "EN02"}}, false},
    });
}

TEST_F(ExpressionTest, DoubleEqualsComparesWholeTextsPaddedWithBlanks) {
    expectAll({
        {"LNAME == \"SMITH\"", {{"LNAME", "SMITH"}}, true},
        {"LNAME == \"SMI\"", {{"LNAME", "SMITH"}}, false},
        {"\"SMITH\" == LNAME", {{"LNAME", "SMITH"}}, true},
        {"retest == \"\"", {{"RETEST", ""}}, true},
        {"retest == \"\"", {{"RETEST", "N"}}, false},
    });
}

TEST_F(ExpressionTest, OrderedComparisonsPadTheShorterTextWithBlanks) {
    expectAll({
        {"CODE > \"EN\"", {{"CODE", "EN"}}, false},
        {"CODE >= \"EN\"", {{"CODE", "EN"}}, true},
        {"CODE > \"EN\"", {{"CODE", "EN01"}}, true},
        {"CODE < \"EN0\"", {{"CODE", "EN"}}, true},  // blank sorts below '0'
        {"CODE <= \"EN01\"", {{"CODE", "EN01"}}, true},
        {"CODE < \"EN01\"", {{"CODE", "EN01"}}, false},
        {"CODE < \"en\"", {{"CODE", "EN"}}, true},       // byte order, not dictionary order
        {"CODE > \"zz\"", {{"CODE", "\xE9"}}, true},     // bytes above 127 sort last
        {"\"EN\" < CODE", {{"CODE", "EN\x01"}}, false},  // a control byte sorts below blank
    });
}

TEST_F(ExpressionTest, DateRangeKeepsDatesInsideAndDropsBlankDates) {
    const std::string year2004 = dateFilter("20040101", "20041231");
    const std::string oneDay = dateFilter("20040413", "20040413");
    expectAll({
        {year2004, {{"DATE", "20040101"}}, true},
        {year2004, {{"DATE", "20040615"}}, true},
        {year2004, {{"DATE", "20041231"}}, true},
        {year2004, {{"DATE", "20031231"}}, false},
        {year2004, {{"DATE", "20050101"}}, false},
        {year2004, {{"DATE", ""}}, false},
        {oneDay, {{"DATE", "20040413"}}, true},
        {oneDay, {{"DATE", "20040414"}}, false},
        {oneDay, {{"DATE", "20040412"}}, false},
        // DTOS of a blank date is eight blanks, which sort below every digit.
        {"DTOS(Date) <= \"20041231\"", {{"DATE", ""}}, true},
        {"DTOS(Date) == \"        \"", {{"DATE", ""}}, true},
        {"DTOS(Date) = \"2004\"", {{"DATE", "20040615"}}, true},
    });
}

TEST_F(ExpressionTest, LogicalFieldIsTrueOnlyForTAndY) {
    for (const char* stored : {"T", "t", "Y", "y"}) {
        EXPECT_TRUE(test("duplicate", {{"DUPLICATE", stored}})) << stored;
    }
    for (const char* stored : {"F", "f", "N", "n", "?", "", "1"}) {
        EXPECT_FALSE(test("duplicate", {{"DUPLICATE", stored}})) << stored;
    }
}

TEST_F(ExpressionTest, NotBindsTighterThanAndWhichBindsTighterThanOr) {
    const Values dupOnly = {{"DUPLICATE", "T"}, {"RETEST", "N"}};
    const Values retestOnly = {{"DUPLICATE", "F"}, {"RETEST", "Y"}};
    const Values neither = {{"DUPLICATE", "F"}, {"RETEST", "N"}};
    expectAll({
        {".not. duplicate .and. retest = \"Y\"", retestOnly, true},
        {".not. duplicate .and. retest = \"Y\"", dupOnly, false},
        {".not. (duplicate .and. retest = \"N\")", dupOnly, false},
        {".not. (duplicate .and. retest = \"Y\")", dupOnly, true},
        // .not. applies to the whole comparison, not to its left operand.
        {".not. retest = \"N\"", neither, false},
        {"!duplicate", neither, true},
        {"! ! duplicate", dupOnly, true},
        // a .or. b .and. c is a .or. (b .and. c)
        {"duplicate .or. retest = \"Y\" .and. retest = \"N\"", dupOnly, true},
        {"(duplicate .or. retest = \"Y\") .and. retest = \"N\"", retestOnly, false},
        {"retest = \"Y\" .and. duplicate .or. retest = \"N\"", neither, true},
        {"retest = \"Y\" .and. (duplicate .or. retest = \"N\")", neither, false},
        {"duplicate .or. retest = \"Y\"", neither, false},
    });
}

TEST_F(ExpressionTest, FiltersTheProgramComposesWork) {
    const std::string range = dateFilter("20040101", "20041231");
    const std::string placement = range + ".and. duplicate";  // glued: `").and.`
    const std::string assessment = range + " .and. (retest <> \"N\")";
    ASSERT_NE(placement.find("\").and."), std::string::npos);
    expectAll({
        {placement, {{"DATE", "20040413"}, {"DUPLICATE", "T"}}, true},
        {placement, {{"DATE", "20040413"}, {"DUPLICATE", "F"}}, false},
        {placement, {{"DATE", "20050413"}, {"DUPLICATE", "T"}}, false},
        {assessment, {{"DATE", "20040413"}, {"RETEST", "Y"}}, true},
        {assessment, {{"DATE", "20040413"}, {"RETEST", ""}}, true},
        {assessment, {{"DATE", "20040413"}, {"RETEST", "N"}}, false},
        {assessment, {{"DATE", ""}, {"RETEST", "Y"}}, false},
        {"duplicate", {{"DUPLICATE", "T"}}, true},
        {"(retest <> \"N\")", {{"RETEST", "n"}}, true},
    });
}

TEST_F(ExpressionTest, NamesAndKeywordsIgnoreCaseAndBlanksMayBeAnywhere) {
    const Values values = {{"DATE", "20040413"}, {"DUPLICATE", "T"}, {"RETEST", "Y"}};
    expectAll({
        {"dtos(date)>=\"20040101\".AND.DuPlIcAtE", values, true},
        {"  ( DtoS ( DATE )\t>=\r\n\"20040101\" )  .And.  .NOT.  duplicate  ", values, false},
        {"RETEST<>'N'.Or.duplicate", values, true},
        {"retest='Y'", values, true},
        {"LNAME = 'O\"BRIEN'", {{"LNAME", "O\"BRIEN"}}, true},
        {"LNAME = \"O'BRIEN\"", {{"LNAME", "O'BRIEN"}}, true},
    });
}

TEST_F(ExpressionTest, NumericFieldsCompareAsNumbers) {
    expectAll({
        {"SCORE >= 50", {{"SCORE", "  50.0"}}, true},
        {"SCORE >= 50", {{"SCORE", "   9.5"}}, false},  // as text "9.5" > "50"
        {"SCORE = 9.5", {{"SCORE", "   9.5"}}, true},
        {"SCORE < .6", {{"SCORE", "   0.5"}}, true},
        {"SCORE > -1", {{"SCORE", "  -0.5"}}, true},
        {"SCORE = 0", {{"SCORE", ""}}, true},  // a blank number reads as zero
        {"ID <> 12", {{"ID", "       12"}}, false},
        {"SCORE = 1.and.duplicate", {{"SCORE", "   1.0"}, {"DUPLICATE", "T"}}, true},
    });
}

struct KeyCase {
    std::string expression;
    Expression::Type type;
    std::size_t width;
    const char* field;  // nullptr when the key is not a bare field
    std::string stored;
};

TEST_F(ExpressionTest, KeysGiveTheStoredBytes) {
    const std::vector<KeyCase> cases = {
        {"SSN", Expression::Type::Character, 11, "SSN", "102-00-3507"},
        {"LNAME", Expression::Type::Character, 15, "LNAME", "SMITH          "},
        {"TESTCODE", Expression::Type::Character, 4, "TESTCODE", "RD  "},
        {"code", Expression::Type::Character, 4, "CODE", "EN05"},
        {"DATE", Expression::Type::Date, 8, "DATE", "20040413"},
        {"DATE", Expression::Type::Date, 8, "DATE", "        "},
        {"ID", Expression::Type::Numeric, 9, "ID", "     1234"},
        {"DTOS(DATE)", Expression::Type::Character, 8, nullptr, "20040413"},
        {"DTOS(DATE)", Expression::Type::Character, 8, nullptr, "        "},
    };
    for (const KeyCase& c : cases) {
        const Expression key = Expression::parse(c.expression, fields_);
        const FieldDef* stored = fields_.find(c.field ? c.field : "DATE");
        Record record(fields_);
        record.set(stored->name, c.stored);
        EXPECT_EQ(key.text(), c.expression);
        EXPECT_EQ(key.type(), c.type) << c.expression;
        EXPECT_EQ(key.width(), c.width) << c.expression;
        EXPECT_EQ(key.field(), c.field ? stored : nullptr) << c.expression;
        EXPECT_EQ(key.value(record.data()), c.stored) << c.expression;
    }
}

TEST_F(ExpressionTest, ConditionsReportLogicalType) {
    for (const char* condition : {"duplicate", "(retest <> \"N\")", ".not. duplicate"}) {
        EXPECT_EQ(Expression::parse(condition, fields_).type(), Expression::Type::Logical)
            << condition;
    }
    EXPECT_EQ(Expression::parse("duplicate", fields_).field(), fields_.find("DUPLICATE"));
    EXPECT_EQ(Expression::parse("(retest <> \"N\")", fields_).field(), nullptr);
}

TEST_F(ExpressionTest, MovedExpressionStillEvaluates) {
    Expression moved = Expression::parse("retest = \"Y\"", fields_);
    Expression target = Expression::parse("duplicate", fields_);
    target = std::move(moved);
    Record record(fields_);
    record.set("RETEST", "Y");
    EXPECT_TRUE(target.test(record.data()));
    EXPECT_EQ(target.text(), "retest = \"Y\"");
}

struct ErrorCase {
    std::string expression;
    std::string problem;  // a piece the message must hold besides the expression
};

void expectBadExpression(const std::function<void()>& action, const std::string& expression,
                         const std::string& problem) {
    try {
        action();
        ADD_FAILURE() << "no error for " << expression;
    } catch (const EXbaseError& e) {
        EXPECT_EQ(e.code(), XbaseErrorCode::BadExpression) << expression;
        const std::string message = e.what();
        EXPECT_NE(message.find("\"" + expression + "\""), std::string::npos) << message;
        EXPECT_NE(message.find(problem), std::string::npos) << message;
    }
}

TEST_F(ExpressionTest, AnythingOutsideTheSubsetIsRefusedNamingTheExpression) {
    const std::vector<ErrorCase> cases = {
        {"", "nothing to evaluate"},
        {"   ", "nothing to evaluate"},
        {"(retest <> \"N\"", "missing \")\""},
        {"((duplicate)", "missing \")\""},
        {"retest <> \"N\")", "no matching \"(\""},
        {"(retest <> \"N\" duplicate)", "expected \")\""},
        {"retest <> \"N", "missing closing \""},
        {"retest <> 'N", "missing closing '"},
        {"duplicate duplicate", "after a complete expression"},
        {"retest = \"N\" = \"Y\"", "after a complete expression"},
        {"NOSUCH = \"A\"", "no field NOSUCH"},
        {"DTOS(Datum) >= \"20040101\"", "no field Datum"},
        {"DTOS(LNAME) = \"A\"", "LNAME is not one"},
        {"DTOS(\"20040101\") = \"A\"", "takes the name of a date field"},
        {"DTOS(DATE", "missing \")\""},
        {"UPPER(LNAME) = \"A\"", "UPPER()"},
        {"LNAME + \"A\"", "\"+\""},
        {"LNAME $ \"A\"", "\"$\""},
        {"duplicate .xor. duplicate", ".xor."},
        {"duplicate .and", "unexpected \".\""},
        {"duplicate .and.", "ends where a value is expected"},
        {".and. duplicate", "where a value is expected"},
        {"duplicate = \"T\"", "logical"},
        {"DATE >= \"20040101\"", "date value with a character value"},
        {"SCORE = \"5\"", "numeric value with a character value"},
        {"NOTES = \"x\"", "NOTES is of type M"},
        {"retest .and. duplicate", "left operand of \".and.\""},
        {"duplicate .or. LNAME", "right operand of \".or.\""},
        {".not. LNAME", "operand of \".not.\""},
        {std::string(100, '(') + "duplicate" + std::string(100, ')'), "nested too deeply"},
        {std::string(100, '!') + "duplicate", "nested too deeply"},
    };
    for (const ErrorCase& c : cases) {
        expectBadExpression([&] { Expression::parse(c.expression, fields_); }, c.expression,
                            c.problem);
    }
}

TEST_F(ExpressionTest, ControlCharactersInTheMessageAreShownAsHex) {
    const std::string expression("retest\0= \"N\"\x7F", 13);
    try {
        Expression::parse(expression, fields_);
        ADD_FAILURE() << "no error";
    } catch (const EXbaseError& e) {
        EXPECT_STREQ(e.what(),
                     "Invalid expression \"retest\\x00= \"N\"\\x7F\": unexpected \"\\x00\" at "
                     "position 7.");
    }
}

TEST_F(ExpressionTest, LongChainsAreRefusedBeforeTheyCanExhaustTheStack) {
    std::string chain = "duplicate";
    for (int i = 0; i < 100; ++i) chain += " .and. duplicate";
    expectBadExpression([&] { Expression::parse(chain, fields_); }, chain, "nested too deeply");

    std::string nested = "duplicate";
    for (int i = 0; i < 20; ++i) nested = "(" + nested + " .and. duplicate)";
    Record record(fields_);
    record.set("DUPLICATE", "T");
    EXPECT_TRUE(Expression::parse(nested, fields_).test(record.data()));
}

TEST_F(ExpressionTest, NonConditionCannotBeTestedAndConditionCannotBeAKey) {
    const Record record(fields_);
    for (const char* key : {"SSN", "DATE", "DTOS(DATE)", "ID", "\"x\""}) {
        const Expression expression = Expression::parse(key, fields_);
        expectBadExpression([&] { expression.test(record.data()); }, key, "not a condition");
    }
    for (const char* condition : {"duplicate", "retest = \"N\""}) {
        const Expression expression = Expression::parse(condition, fields_);
        expectBadExpression([&] { expression.value(record.data()); }, condition, "key");
    }
}

}  // namespace
}  // namespace marklift
