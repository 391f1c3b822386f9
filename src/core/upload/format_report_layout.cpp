#include "core/upload/format_report_layout.h"

#include <array>
#include <iterator>
#include <span>

namespace marklift {
namespace {

struct ColumnDefinition {
    double width;
    TextAlignment justification;
};

// A column set starts at the left margin; each column starts where the one
// before it ends.
constexpr double kColumnsLeft = 0.5;

// Used for the file-type line and the fixed format's table.
constexpr std::array<ColumnDefinition, 4> kFixedColumns = {{
    {2.5, TextAlignment::left},    // Data Element
    {1.0, TextAlignment::left},    // Field Name
    {0.95, TextAlignment::right},  // Size
    {1.0, TextAlignment::right},   // Location
}};

// The delimited formats keep an empty column where the location would be.
constexpr std::array<ColumnDefinition, 5> kDelimitedColumns = {{
    {2.5, TextAlignment::left},    // Data Element
    {1.0, TextAlignment::left},    // Field Name
    {0.95, TextAlignment::right},  // Size
    {0.5, TextAlignment::left},    // always empty
    {1.0, TextAlignment::left},    // Data Type
}};

constexpr int kTitleLine = 1;
constexpr int kFileTypeLine = 2;
constexpr int kHeadingLine = 5;
constexpr int kFirstRowLine = 7;

constexpr int kFirstComputedLocation = 59;

struct RowDefinition {
    const char* dataElement;
    const char* fieldName;
    int size;
};

constexpr std::array<RowDefinition, 8> kBaseRows = {{
    {"ID", "ID", 9},
    {"Last Name", "LNAME", 13},
    {"First Name", "FNAME", 11},
    {"Middle Initial", "MNAME", 1},
    {"Birth Date (yyyymmdd)", "BIRTHDATE", 8},
    {"Test Score", "TESTSCORE", 4},
    {"Test Date (yyyymmdd)", "DATE", 8},
    {"Test Code", "TESTCODE", 4},
}};

constexpr RowDefinition kAttemptedRow = {"Attempted", "ATTEMPT", 3};
constexpr RowDefinition kSubscoresRow = {"Subscores", "SUBSCORES", 20};
constexpr RowDefinition kPurposeAndAccommodationRow = {"Purpose and Accommodation", "PANDA", 6};
constexpr RowDefinition kSiteCodeRow = {"Site Code", "SITECODE", 2};

// Prints texts line by line into the columns of the current set, the way a
// banded report engine does: each text goes into the next column, and a new
// line or a new set starts again at the first.
class ColumnPrinter {
public:
    ColumnPrinter(const TextWidth& width, std::vector<PlacedText>& out)
        : width_(width), out_(out) {}

    void useColumns(std::span<const ColumnDefinition> columns) {
        columns_ = columns;
        nextColumn_ = 0;
    }

    void moveToLine(int line) {
        line_ = line;
        nextColumn_ = 0;
    }

    void printCentred(double x, const std::string& text) {
        out_.push_back({line_, x, TextAlignment::centred, {0, kReportPaperWidth}, text});
    }

    void printInColumn(const std::string& text) {
        double left = kColumnsLeft;
        for (std::size_t i = 0; i < nextColumn_; ++i) left += columns_[i].width;
        const ColumnDefinition& column = columns_[nextColumn_++];
        if (text.empty()) return;
        const double x = column.justification == TextAlignment::right
                             ? left + column.width - kReportColumnInset
                             : left + kReportColumnInset;
        out_.push_back({line_,
                        x,
                        column.justification,
                        {left, column.width},
                        FitToWidth(text, column.width - 2 * kReportColumnInset, width_)});
    }

private:
    const TextWidth& width_;
    std::vector<PlacedText>& out_;
    std::span<const ColumnDefinition> columns_;
    std::size_t nextColumn_ = 0;
    int line_ = 1;
};

}  // namespace

std::string FileTypeName(int fileType) {
    static const char* const kNames[] = {"Fixed", "Pipe Delimited", "Comma Delimited",
                                         "Tab Delimited"};
    if (fileType < 0 || fileType >= static_cast<int>(std::size(kNames))) return {};
    return kNames[fileType];
}

bool IsFixedFileType(int fileType) {
    return fileType == 0;
}

std::vector<FormatReportRow> FormatReportRows(const FormatReportChoices& choices) {
    std::vector<FormatReportRow> rows;
    int start = 1;
    auto add = [&](const RowDefinition& row) {
        const int end = start + row.size - 1;
        rows.push_back({row.dataElement, row.fieldName, std::to_string(row.size),
                        std::to_string(start) + "-" + std::to_string(end)});
        start = end + 1;
    };
    for (const RowDefinition& row : kBaseRows) add(row);
    // The base fields fill positions 1 to 58 exactly; the additional ones follow.
    static_assert([] {
        int total = 0;
        for (const RowDefinition& row : kBaseRows) total += row.size;
        return total == kFirstComputedLocation - 1;
    }());
    if (choices.attempted) add(kAttemptedRow);
    if (choices.subscores) add(kSubscoresRow);
    if (choices.purposeAndAccommodation) add(kPurposeAndAccommodationRow);
    if (choices.siteCode) add(kSiteCodeRow);
    return rows;
}

std::string FitToWidth(std::string text, double available, const TextWidth& width) {
    while (!text.empty() && width(text) > available) text.pop_back();
    return text;
}

std::vector<PlacedText> LayOutFormatReport(int fileType, const FormatReportChoices& choices,
                                           const TextWidth& width) {
    const bool fixed = IsFixedFileType(fileType);
    std::vector<PlacedText> texts;
    ColumnPrinter printer(width, texts);

    printer.useColumns(kFixedColumns);
    printer.moveToLine(kTitleLine);
    printer.printCentred(kReportPaperWidth / 2, kReportTitle);
    printer.moveToLine(kFileTypeLine);
    printer.printInColumn("Filetype: " + FileTypeName(fileType));

    if (fixed)
        printer.useColumns(kFixedColumns);
    else
        printer.useColumns(kDelimitedColumns);
    printer.moveToLine(kHeadingLine);
    printer.printInColumn("Data Element");
    printer.printInColumn("Field Name");
    printer.printInColumn("Size");
    if (fixed) {
        printer.printInColumn("Location");
    } else {
        printer.printInColumn("");
        printer.printInColumn("Data Type");
    }

    int line = kFirstRowLine;
    for (const FormatReportRow& row : FormatReportRows(choices)) {
        printer.moveToLine(line++);
        printer.printInColumn(row.dataElement);
        printer.printInColumn(row.fieldName);
        printer.printInColumn(row.size);
        if (fixed) {
            printer.printInColumn(row.location);
        } else {
            printer.printInColumn("");
            printer.printInColumn(kDelimitedDataType);
        }
    }
    return texts;
}

double ReportLineTop(int line) {
    return kReportMargin + (line - 1) * kReportLineHeight;
}

std::string ReportStatusText(std::string_view pattern, int page) {
    std::string text(pattern);
    const std::string number = std::to_string(page);
    for (std::size_t at = text.find("%p"); at != std::string::npos; at = text.find("%p", at)) {
        text.replace(at, 2, number);
        at += number.size();
    }
    return text;
}

}  // namespace marklift
