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
    const Date date = table.GetDate(field.name);
    if (date.days() <= 0) return {};
    return dbaseFormat ? date.toYyyymmdd() : date.toShortText();
}

std::string padAfter(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

std::string padBefore(std::string text, std::size_t width) {
    if (text.size() < width) text.insert(0, width - text.size(), ' ');
    return text;
}

std::string delimitedValue(const XbaseTable& table, const FieldDef& field,
                           const LineFormat& format) {
    switch (kindOf(field)) {
        case Kind::Boolean: {
            std::string text = table.GetText(field.name);
            return format.dbaseFormat ? text.substr(0, 1) : text;
        }
        case Kind::Date:
            return dateText(table, field, format.dbaseFormat);
        case Kind::Memo:
        case Kind::NoValue:
            return {};
        case Kind::Character:
        case Kind::Number:
        case Kind::Other:
            break;
    }
    return table.GetText(field.name);
}

std::string fixedValue(const XbaseTable& table, const FieldDef& field, const LineFormat& format) {
    switch (kindOf(field)) {
        case Kind::Number:
            return format.numericAlign == TNumericAlignment::naRight
                       ? padBefore(table.GetText(field.name), field.length)
                       : padAfter(table.GetText(field.name), field.length);
        case Kind::Boolean: {
            std::string text = table.GetText(field.name);
            return format.dbaseFormat ? text.substr(0, 1) : padAfter(text, field.length);
        }
        case Kind::Date: {
            std::string text = dateText(table, field, format.dbaseFormat);
            if (!text.empty()) return text;
            return std::string(format.dbaseFormat ? kDbaseDateWidth : kShortDateWidth, ' ');
        }
        case Kind::Memo:
        case Kind::NoValue:
            return {};
        case Kind::Character:
        case Kind::Other:
            break;
    }
    return padAfter(table.GetText(field.name), field.length);
}

bool quoted(const FieldDef& field, const LineFormat& format) {
    if (format.quote.empty()) return false;
    if (format.delimitedFields == TDelimitedFields::dfAll) return true;
    const Kind kind = kindOf(field);
    return kind == Kind::Character || kind == Kind::Memo;
}

template <typename ValueOf>
std::string composeLine(const XbaseTable& table, const LineFormat& format, ValueOf valueOf) {
    // A record that cannot be read or converted is left out of the file
    // without a word; the run goes on with the next one.
    try {
        std::string line;
        for (const FieldDef& field : table.Fields().fields()) {
            if (!FieldIncluded(format, field.name)) continue;
            std::string value = valueOf(table, field, format);
            line += format.separator;
            if (quoted(field, format)) {
                line += format.quote + value + format.quote;
            } else {
                line += value;
            }
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
    return composeLine(table, format, delimitedValue);
}

std::string ComposeFixed(const XbaseTable& table, const LineFormat& format) {
    return composeLine(table, format, fixedValue);
}

}  // namespace marklift
