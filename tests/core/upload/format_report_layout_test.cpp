// The file format report's layout: its rows and locations for each choice of
// additional fields, where every text of the fixed and delimited layouts
// stands, and how texts too wide for their column are cut.
#include "core/upload/format_report_layout.h"

#include <gtest/gtest.h>

#include <map>

#include "core/config/program_settings.h"
#include "core/upload/upload_record.h"
#include "tables/field_definition.h"

using namespace marklift;

namespace {

constexpr double kTolerance = 1e-9;

// Real fonts leave every text of the report whole; a wide fake font makes
// the cutting visible. An eighth of an inch is exact in binary.
double narrowFont(std::string_view text) {
    return 0.01 * static_cast<double>(text.size());
}
double wideFont(std::string_view text) {
    return 0.125 * static_cast<double>(text.size());
}

std::vector<std::string> row(std::string a, std::string b, std::string c, std::string d) {
    return {std::move(a), std::move(b), std::move(c), std::move(d)};
}

std::vector<std::string> asTexts(const FormatReportRow& r) {
    return row(r.dataElement, r.fieldName, r.size, r.location);
}

const std::vector<std::vector<std::string>> kBaseRows = {
    row("ID", "ID", "9", "1-9"),
    row("Last Name", "LNAME", "13", "10-22"),
    row("First Name", "FNAME", "11", "23-33"),
    row("Middle Initial", "MNAME", "1", "34-34"),
    row("Birth Date (yyyymmdd)", "BIRTHDATE", "8", "35-42"),
    row("Test Score", "TESTSCORE", "4", "43-46"),
    row("Test Date (yyyymmdd)", "DATE", "8", "47-54"),
    row("Test Code", "TESTCODE", "4", "55-58"),
};

struct RowsCase {
    const char* name;
    FormatReportChoices choices;
    std::vector<std::vector<std::string>> extraRows;
};

const RowsCase kRowsCases[] = {
    {"none", {}, {}},
    {"attempted", {.attempted = true}, {row("Attempted", "ATTEMPT", "3", "59-61")}},
    {"subscores", {.subscores = true}, {row("Subscores", "SUBSCORES", "20", "59-78")}},
    {"purpose_and_accommodation",
     {.purposeAndAccommodation = true},
     {row("Purpose and Accommodation", "PANDA", "6", "59-64")}},
    {"site_code", {.siteCode = true}, {row("Site Code", "SITECODE", "2", "59-60")}},
    {"subscores_and_site_code",
     {.subscores = true, .siteCode = true},
     {row("Subscores", "SUBSCORES", "20", "59-78"), row("Site Code", "SITECODE", "2", "79-80")}},
    {"attempted_and_panda",
     {.attempted = true, .purposeAndAccommodation = true},
     {row("Attempted", "ATTEMPT", "3", "59-61"),
      row("Purpose and Accommodation", "PANDA", "6", "62-67")}},
    {"all_four",
     {true, true, true, true},
     {row("Attempted", "ATTEMPT", "3", "59-61"), row("Subscores", "SUBSCORES", "20", "62-81"),
      row("Purpose and Accommodation", "PANDA", "6", "82-87"),
      row("Site Code", "SITECODE", "2", "88-89")}},
};

class FormatReportRowsTest : public ::testing::TestWithParam<RowsCase> {};

TEST_P(FormatReportRowsTest, BaseRowsThenChosenFieldsWithRunningLocations) {
    std::vector<std::vector<std::string>> expected = kBaseRows;
    expected.insert(expected.end(), GetParam().extraRows.begin(), GetParam().extraRows.end());

    std::vector<std::vector<std::string>> actual;
    for (const FormatReportRow& r : FormatReportRows(GetParam().choices))
        actual.push_back(asTexts(r));
    EXPECT_EQ(actual, expected);
}

// The report describes the record the writer produces: same sizes, same
// order, and each fixed location where the field lies in the record.
TEST_P(FormatReportRowsTest, AgreesWithTheUploadRecord) {
    const FormatReportChoices& choices = GetParam().choices;
    ProgramSettings settings;
    settings.IncludeAttempted = choices.attempted;
    settings.IncludeSubscores = choices.subscores;
    settings.IncludePurposeAndAccommodation = choices.purposeAndAccommodation;
    settings.IncludeSiteCode = choices.siteCode;
    const FieldList fields = parseFieldDefinitions(UploadFieldDefinitions(settings));

    const std::vector<FormatReportRow> rows = FormatReportRows(choices);
    ASSERT_EQ(rows.size(), fields.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const FieldDef& field = fields[i];
        // The deletion flag is byte 0, so a field's offset is its 1-based
        // position in a fixed line.
        EXPECT_EQ(rows[i].size, std::to_string(field.length)) << field.name;
        EXPECT_EQ(rows[i].location, std::to_string(field.offset) + "-" +
                                        std::to_string(field.offset + field.length - 1))
            << field.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Choices, FormatReportRowsTest, ::testing::ValuesIn(kRowsCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FileTypeNameTest, NamesOnTheReport) {
    EXPECT_EQ(FileTypeName(0), "Fixed");
    EXPECT_EQ(FileTypeName(1), "Pipe Delimited");
    EXPECT_EQ(FileTypeName(2), "Comma Delimited");
    EXPECT_EQ(FileTypeName(3), "Tab Delimited");
    EXPECT_EQ(FileTypeName(-1), "");
    EXPECT_EQ(FileTypeName(4), "");
}

// --- Positions ------------------------------------------------------------

using Lines = std::map<int, std::vector<PlacedText>>;

Lines byLine(const std::vector<PlacedText>& texts) {
    Lines lines;
    for (const PlacedText& t : texts) lines[t.line].push_back(t);
    return lines;
}

std::vector<std::string> textsOf(const std::vector<PlacedText>& line) {
    std::vector<std::string> texts;
    for (const PlacedText& t : line) texts.push_back(t.text);
    return texts;
}

// Where a column's text is anchored: its left edge plus the inset, or its
// right edge less the inset.
struct Column {
    double left;
    double width;
    TextAlignment justification;
};

constexpr Column kDataElement{0.5, 2.5, TextAlignment::left};
constexpr Column kFieldName{3.0, 1.0, TextAlignment::left};
constexpr Column kSize{4.0, 0.95, TextAlignment::right};
constexpr Column kLocation{4.95, 1.0, TextAlignment::right};
constexpr Column kDataType{5.45, 1.0, TextAlignment::left};

void expectInColumn(const PlacedText& text, const Column& column) {
    SCOPED_TRACE("text \"" + text.text + "\" on line " + std::to_string(text.line));
    EXPECT_EQ(text.alignment, column.justification);
    EXPECT_NEAR(text.column.left, column.left, kTolerance);
    EXPECT_NEAR(text.column.width, column.width, kTolerance);
    const double anchor = column.justification == TextAlignment::left
                              ? column.left + 0.05
                              : column.left + column.width - 0.05;
    EXPECT_NEAR(text.x, anchor, kTolerance);
}

struct LayoutCase {
    const char* name;
    int fileType;
    FormatReportChoices choices;
    const char* fileTypeLine;
};

const LayoutCase kLayoutCases[] = {
    {"fixed_none", 0, {}, "Filetype: Fixed"},
    {"fixed_all", 0, {true, true, true, true}, "Filetype: Fixed"},
    {"pipe_none", 1, {}, "Filetype: Pipe Delimited"},
    {"comma_panda", 2, {.purposeAndAccommodation = true}, "Filetype: Comma Delimited"},
    {"tab_all", 3, {true, true, true, true}, "Filetype: Tab Delimited"},
    // The settings dialog passes -1 when no file type is chosen.
    {"no_type", -1, {.attempted = true}, "Filetype: "},
};

class FormatReportLayoutTest : public ::testing::TestWithParam<LayoutCase> {
protected:
    bool fixed() const { return GetParam().fileType == 0; }
    Lines lines() const {
        return byLine(LayOutFormatReport(GetParam().fileType, GetParam().choices, narrowFont));
    }
};

TEST_P(FormatReportLayoutTest, TitleAndFileTypeLines) {
    const Lines all = lines();

    ASSERT_EQ(all.count(1), 1u);
    ASSERT_EQ(all.at(1).size(), 1u);
    const PlacedText& title = all.at(1)[0];
    EXPECT_EQ(title.text, "Upload File Format");
    EXPECT_EQ(title.alignment, TextAlignment::centred);
    EXPECT_NEAR(title.x, 4.25, kTolerance);

    ASSERT_EQ(all.count(2), 1u);
    ASSERT_EQ(all.at(2).size(), 1u);
    EXPECT_EQ(all.at(2)[0].text, GetParam().fileTypeLine);
    expectInColumn(all.at(2)[0], kDataElement);

    EXPECT_EQ(all.count(3) + all.count(4) + all.count(6), 0u) << "lines 3, 4 and 6 stay empty";
}

TEST_P(FormatReportLayoutTest, HeadingsInTheirColumns) {
    const std::vector<PlacedText> headings = lines()[5];
    ASSERT_EQ(headings.size(), 4u);
    EXPECT_EQ(headings[0].text, "Data Element");
    expectInColumn(headings[0], kDataElement);
    EXPECT_EQ(headings[1].text, "Field Name");
    expectInColumn(headings[1], kFieldName);
    EXPECT_EQ(headings[2].text, "Size");
    expectInColumn(headings[2], kSize);
    if (fixed()) {
        EXPECT_EQ(headings[3].text, "Location");
        expectInColumn(headings[3], kLocation);
    } else {
        EXPECT_EQ(headings[3].text, "Data Type");
        expectInColumn(headings[3], kDataType);
    }
}

TEST_P(FormatReportLayoutTest, OneLinePerRowFromLineSeven) {
    const Lines all = lines();
    const std::vector<FormatReportRow> rows = FormatReportRows(GetParam().choices);
    ASSERT_EQ(all.size(), 3 + rows.size()) << "title, file type, headings and the rows";

    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int line = 7 + static_cast<int>(i);
        ASSERT_EQ(all.count(line), 1u) << "line " << line;
        const std::vector<PlacedText>& texts = all.at(line);
        const FormatReportRow& r = rows[i];
        const std::string last = fixed() ? r.location : "Character";
        EXPECT_EQ(textsOf(texts), row(r.dataElement, r.fieldName, r.size, last));
        ASSERT_EQ(texts.size(), 4u);
        expectInColumn(texts[0], kDataElement);
        expectInColumn(texts[1], kFieldName);
        expectInColumn(texts[2], kSize);
        expectInColumn(texts[3], fixed() ? kLocation : kDataType);
    }
}

INSTANTIATE_TEST_SUITE_P(FileTypes, FormatReportLayoutTest, ::testing::ValuesIn(kLayoutCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FormatReportLayoutTest, DelimitedShowsNoLocation) {
    for (int fileType : {1, 2, 3}) {
        for (const PlacedText& t :
             LayOutFormatReport(fileType, {true, true, true, true}, narrowFont)) {
            EXPECT_EQ(t.text.find_first_of("-"), std::string::npos)
                << "file type " << fileType << ": " << t.text;
            EXPECT_NE(t.text, "Location");
        }
    }
}

// --- Cutting --------------------------------------------------------------

struct FitCase {
    const char* text;
    double available;
    const char* expected;
};

TEST(FitToWidthTest, CutsFromTheEndUntilItFits) {
    const FitCase cases[] = {
        {"ABCDEF", 1.0, "ABCDEF"},   // fits
        {"ABCDEF", 0.75, "ABCDEF"},  // exactly as wide as the room
        {"ABCDEF", 0.74, "ABCDE"},  {"ABCDEF", 0.5, "ABCD"}, {"ABCDEF", 0.1, ""}, {"", 0.0, ""},
    };
    for (const FitCase& c : cases)
        EXPECT_EQ(FitToWidth(c.text, c.available, wideFont), c.expected)
            << c.text << " in " << c.available;
}

TEST(FitToWidthTest, RemovesOneCharacterAtATimeFromTheEnd) {
    // A W is ten times as wide as any other letter: cutting from the end
    // must go through it before a narrow text at the start remains.
    const TextWidth wideW = [](std::string_view text) {
        double width = 0;
        for (char c : text) width += c == 'W' ? 1.0 : 0.1;
        return width;
    };
    EXPECT_EQ(FitToWidth("abW", 0.5, wideW), "ab");
    EXPECT_EQ(FitToWidth("Wab", 0.5, wideW), "");
    EXPECT_EQ(FitToWidth("abWcd", 1.2, wideW), "abW");
}

TEST(FormatReportLayoutTest, TextsWiderThanTheirColumnAreCut) {
    // An eighth of an inch a character: 19 fit the first column (2.4 in),
    // 7 the field name and location columns (0.9 in), 6 the size (0.85 in).
    const Lines all = byLine(LayOutFormatReport(0, {.purposeAndAccommodation = true}, wideFont));
    EXPECT_EQ(all.at(1)[0].text, "Upload File Format") << "the title is never cut";
    EXPECT_EQ(all.at(2)[0].text, "Filetype: Fixed");
    EXPECT_EQ(textsOf(all.at(5)), row("Data Element", "Field N", "Size", "Locatio"));
    EXPECT_EQ(textsOf(all.at(11)), row("Birth Date (yyyymmd", "BIRTHDA", "8", "35-42"));
    EXPECT_EQ(textsOf(all.at(15)), row("Purpose and Accommo", "PANDA", "6", "59-64"));

    const Lines comma = byLine(LayOutFormatReport(2, {}, wideFont));
    EXPECT_EQ(comma.at(2)[0].text, "Filetype: Comma Del");
    EXPECT_EQ(comma.at(7)[3].text, "Charact");
}

TEST(ReportPageTest, LinesAreASixthOfAnInchBelowTheTopMargin) {
    EXPECT_NEAR(ReportLineTop(1), 0.5, kTolerance);
    EXPECT_NEAR(ReportLineTop(2), 0.5 + 1.0 / 6, kTolerance);
    EXPECT_NEAR(ReportLineTop(7), 1.5, kTolerance);
}

TEST(ReportStatusTextTest, PageNumberReplacesThePlaceholder) {
    EXPECT_EQ(ReportStatusText(kGeneratingPageText, 1), "Generating page 1");
    EXPECT_EQ(ReportStatusText(kPrintingPageText, 12), "Printing page 12");
    EXPECT_EQ(ReportStatusText("%p of %p", 3), "3 of 3");
}

}  // namespace
