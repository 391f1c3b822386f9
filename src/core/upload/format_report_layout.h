// The printed description of the upload file's layout, as positions on the
// page: which rows it lists for a file type and the additional fields, and
// where each text stands. Drawing it is format_report's job.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace marklift {

// The additional fields shown on the settings dialog's Options page.
struct FormatReportChoices {
    bool attempted = false;
    bool subscores = false;
    bool purposeAndAccommodation = false;
    bool siteCode = false;
};

// One data element of the upload record. `location` is its character
// positions in a fixed-format line, "start-end".
struct FormatReportRow {
    std::string dataElement;
    std::string fieldName;
    std::string size;
    std::string location;
};

// The page, in inches. The report fits on one page of US Letter.
inline constexpr double kReportPaperWidth = 8.5;
inline constexpr double kReportPaperHeight = 11.0;
inline constexpr double kReportMargin = 0.5;
inline constexpr double kReportFontPoints = 10.0;
inline constexpr double kReportLineHeight = 1.2 * kReportFontPoints / 72.0;
// Room kept between a column's edge and the text justified against it.
inline constexpr double kReportColumnInset = 0.05;

inline constexpr char kReportTitle[] = "Upload File Format";
inline constexpr char kDelimitedDataType[] = "Character";

enum class TextAlignment { left, right, centred };

// A horizontal stretch of the page, in inches from the paper's left edge.
struct ColumnBox {
    double left = 0;
    double width = 0;
};

// One text as it is to be drawn: on `line` (1 is the first line below the
// top margin), starting at `x` when left-aligned, ending there when
// right-aligned, centred on it otherwise. Texts in a column are already cut
// to fit its box.
struct PlacedText {
    int line = 0;
    double x = 0;
    TextAlignment alignment = TextAlignment::left;
    ColumnBox column;
    std::string text;
};

// The width of a text in inches in the report's font.
using TextWidth = std::function<double(std::string_view)>;

// "Fixed", "Pipe Delimited", "Comma Delimited", "Tab Delimited" for file
// types 0 to 3; empty for any other value, which the settings dialog can
// pass when no file type is chosen.
std::string FileTypeName(int fileType);

// Only file type 0 has a location for every field; all others are delimited.
bool IsFixedFileType(int fileType);

// The eight base fields, then each chosen additional field; the additional
// fields take their locations one after another from position 59.
std::vector<FormatReportRow> FormatReportRows(const FormatReportChoices& choices);

// Removes characters from the end of `text` until it is at most `available`
// inches wide.
std::string FitToWidth(std::string text, double available, const TextWidth& width);

// Every non-empty text of the report, top to bottom and left to right.
std::vector<PlacedText> LayOutFormatReport(int fileType, const FormatReportChoices& choices,
                                           const TextWidth& width);

// Inches from the paper's top edge to the top of `line`.
double ReportLineTop(int line);

// The status window's texts while pages are produced for the preview and
// while they are printed; %p stands for the page number.
inline constexpr char kReportStatusTitle[] = "Report Status";
inline constexpr char kGeneratingPageText[] = "Generating page %p";
inline constexpr char kPrintingPageText[] = "Printing page %p";
std::string ReportStatusText(std::string_view pattern, int page);

}  // namespace marklift
