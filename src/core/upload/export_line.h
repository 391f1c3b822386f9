// One record of a table turned into one line of an export file: delimited
// text or fixed-width columns, with the quoting, separator and field-kind
// rules of the upload file writer. The enumerations are the writer's.
#pragma once

#include <string>
#include <vector>

namespace marklift {

class XbaseTable;

// Each enumeration keeps its order: the first value is 0.
enum class TExportType { expDelimited, expFixed };
enum class TFieldSeparator { fspPipe, fspTab, fspComma, fspCustom, fspNone };
enum class TFieldDelimiter { fdlNone, fdlSingle, fdlDouble };
enum class TDelimitedFields { dfAll, dfTextOnly };
enum class TFieldListAction { flaNone, flaInclude, flaExclude };
enum class TNumericAlignment { naLeft, naRight };

// How a line is made, fixed for a whole run.
struct LineFormat {
    std::string quote;      // QuoteText: put around a value; empty for none
    std::string separator;  // SeparatorText: between two values; empty for none
    TDelimitedFields delimitedFields = TDelimitedFields::dfAll;
    TFieldListAction fieldListAction = TFieldListAction::flaNone;
    std::vector<std::string> fieldList;
    TNumericAlignment numericAlign = TNumericAlignment::naLeft;
    bool dbaseFormat = false;
};

// "'" for fdlSingle, "\"" for fdlDouble, empty for fdlNone.
std::string QuoteText(TFieldDelimiter delimiter);
// "|", tab or "," for the three named separators; for fspCustom and fspNone
// alike `customSeparator` (already cut to one character or empty).
std::string SeparatorText(TFieldSeparator separator, const std::string& customSeparator);

// Whether the field of that name takes part under the field list rules;
// names compare without regard to case.
bool FieldIncluded(const LineFormat& format, const std::string& fieldName);

// The current record of the open `table` as one line, without a line end.
// A record that fails to compose gives an empty line, which the writer
// leaves out.
std::string ComposeDelimited(const XbaseTable& table, const LineFormat& format);
std::string ComposeFixed(const XbaseTable& table, const LineFormat& format);

}  // namespace marklift
