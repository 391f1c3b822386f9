#include "core/upload/export_line.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include "tables/xbase_table.h"

namespace marklift {
namespace {

// The kinds the line rules tell apart, from the field's type letter.
enum class Kind {
    Character,
    Number,
    Boolean,
    Date,     // D, and the date-with-time kinds T and @
    Memo,     // plain memo: no value, but text for quoting
    NoValue,  // OLE, picture and raw-byte kinds
    Other,    // written as the table layer's text
};

Kind kindOf(const FieldDef& field) {
    switch (field.type) {
        case 'C':
            return Kind::Character;
        case 'N':
        case 'F':
            return Kind::Number;
        case 'L':
            return Kind::Boolean;
        case 'D':
        case 'T':
        case '@':
            return Kind::Date;
        case 'M':
            return Kind::Memo;
        case 'G':
        case 'P':
        case 'W':
        case 'Q':
            return Kind::NoValue;
        default:
            return Kind::Other;
    }
}

// A date takes as many columns as its text: "yyyymmdd" or MM/dd/yyyy.
constexpr std::size_t kDbaseDateWidth = 8;
constexpr std::size_t kShortDateWidth = 10;

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::toupper(x) == std::toupper(y);
           });
}

// Empty for the empty date (and anything before it).
std::string dateText(const XbaseTable& table, const FieldDef& field, bool dbaseFormat) {
    const Date date = table.GetDate(field);
    if (date.days() <= 0) return {};
    return dbaseFormat ? date.toYyyymmdd() : date.toShortText();
}

void appendPadded(std::string& line, std::string_view text, std::size_t width, bool before) {
    const std::size_t pad = text.size() < width ? width - text.size() : 0;
    if (before) line.append(pad, ' ');
    line.append(text);
    if (!before) line.append(pad, ' ');
}

std::string_view trimRight(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// Each appends the field's value to the line. A character field's value is
// its stored text without trailing blanks, which is taken from the record's
// bytes as they are: the writer meets every field of every record.
void appendDelimitedValue(std::string& line, const XbaseTable& table, const FieldDef& field,
                          const LineFormat& format) {
    switch (kindOf(field)) {
        case Kind::Character:
            line.append(trimRight(table.GetRaw(field)));
            return;
        case Kind::Boolean: {
            const std::string text = table.GetText(field);
            line.append(format.dbaseFormat ? text.substr(0, 1) : text);
            return;
        }
        case Kind::Date:
            line.append(dateText(table, field, format.dbaseFormat));
            return;
        case Kind::Memo:
        case Kind::NoValue:
            return;
        case Kind::Number:
        case Kind::Other:
            break;
    }
    line.append(table.GetText(field));
}

void appendFixedValue(std::string& line, const XbaseTable& table, const FieldDef& field,
                      const LineFormat& format) {
    switch (kindOf(field)) {
        case Kind::Character:
            // The text without its trailing blanks, padded with blanks to the
            // field's width: the stored bytes.
            line.append(table.GetRaw(field));
            return;
        case Kind::Number:
            appendPadded(line, table.GetText(field), field.length,
                         format.numericAlign == TNumericAlignment::naRight);
            return;
        case Kind::Boolean: {
            const std::string text = table.GetText(field);
            if (format.dbaseFormat)
                line.append(text.substr(0, 1));
            else
                appendPadded(line, text, field.length, false);
            return;
        }
        case Kind::Date: {
            const std::string text = dateText(table, field, format.dbaseFormat);
            if (!text.empty())
                line.append(text);
            else
                line.append(format.dbaseFormat ? kDbaseDateWidth : kShortDateWidth, ' ');
            return;
        }
        case Kind::Memo:
        case Kind::NoValue:
            return;
        case Kind::Other:
            break;
    }
    appendPadded(line, table.GetText(field), field.length, false);
}

bool quoted(const FieldDef& field, const LineFormat& format) {
    if (format.quote.empty()) return false;
    if (format.delimitedFields == TDelimitedFields::dfAll) return true;
    const Kind kind = kindOf(field);
    return kind == Kind::Character || kind == Kind::Memo;
}

template <typename AppendValue>
std::string composeLine(const XbaseTable& table, const LineFormat& format,
                        AppendValue appendValue) {
    // A record that cannot be read or converted is left out of the file
    // without a word; the run goes on with the next one.
    try {
        const FieldList& fields = table.Fields();
        std::string line;
        line.reserve(fields.recordLength() +
                     fields.size() * (format.separator.size() + 2 * format.quote.size()));
        for (const FieldDef& field : fields.fields()) {
            if (!FieldIncluded(format, field.name)) continue;
            line += format.separator;
            const bool quote = quoted(field, format);
            if (quote) line += format.quote;
            appendValue(line, table, field, format);
            if (quote) line += format.quote;
        }
        // Every value came after a separator; the first one has none before it.
        if (!format.separator.empty() && !line.empty()) line.erase(0, 1);
        return line;
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace

std::string QuoteText(TFieldDelimiter delimiter) {
    switch (delimiter) {
        case TFieldDelimiter::fdlSingle:
            return "'";
        case TFieldDelimiter::fdlDouble:
            return "\"";
        case TFieldDelimiter::fdlNone:
            break;
    }
    return {};
}

std::string SeparatorText(TFieldSeparator separator, const std::string& customSeparator) {
    switch (separator) {
        case TFieldSeparator::fspPipe:
            return "|";
        case TFieldSeparator::fspTab:
            return "\t";
        case TFieldSeparator::fspComma:
            return ",";
        case TFieldSeparator::fspCustom:
        case TFieldSeparator::fspNone:
            break;
    }
    return customSeparator;
}

bool FieldIncluded(const LineFormat& format, const std::string& fieldName) {
    if (format.fieldListAction == TFieldListAction::flaNone) return true;
    const bool listed =
        std::any_of(format.fieldList.begin(), format.fieldList.end(),
                    [&](const std::string& name) { return sameIgnoringCase(name, fieldName); });
    return format.fieldListAction == TFieldListAction::flaInclude ? listed : !listed;
}

std::string ComposeDelimited(const XbaseTable& table, const LineFormat& format) {
    return composeLine(table, format, appendDelimitedValue);
}

std::string ComposeFixed(const XbaseTable& table, const LineFormat& format) {
    return composeLine(table, format, appendFixedValue);
}

}  // namespace marklift
