#include "tables/field.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <system_error>

#include "tables/xbase_error.h"

namespace marklift {
namespace {

// Below 2^53 every whole number is exact in a double.
constexpr double kExactIntegerLimit = 9007199254740992.0;

std::string_view trimRight(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

std::string_view trim(std::string_view text) {
    text = trimRight(text);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return text;
}

bool isNumberKind(const FieldDef& field) {
    return field.type == 'N' || field.type == 'F';
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The decimal text numeric fields hold: an optional sign, digits and at most
// one '.', with at least one digit. std::from_chars alone would also take
// "inf", "nan" and exponents, which no numeric field stores.
bool isDecimalText(std::string_view text) {
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    bool digit = false, point = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

// from_chars takes no leading '+'.
std::string_view withoutPlus(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    return text;
}

// Parses with '.' as the decimal point whatever the locale (from_chars
// ignores it); nothing for text that is not a decimal number.
std::optional<double> parseDecimal(std::string_view text) {
    if (!isDecimalText(text)) return std::nullopt;
    text = withoutPlus(text);
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range) {
        return text.front() == '-' ? -std::numeric_limits<double>::infinity()
                                   : std::numeric_limits<double>::infinity();
    }
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

void store(const FieldDef& field, char* record, std::string_view text, bool rightAligned) {
    char* out = record + field.offset;
    std::size_t n = std::min<std::size_t>(text.size(), field.length);
    std::size_t pad = field.length - n;
    std::memset(out, ' ', field.length);
    if (n > 0) std::memcpy(out + (rightAligned ? pad : 0), text.data(), n);
}

[[noreturn]] void throwOutOfRange() {
    throw EXbaseError(XbaseErrorCode::NumericOutOfRange, "Numeric out of range.");
}

[[noreturn]] void throwWrongKind(const FieldDef& field, const char* wanted) {
    throw EXbaseError(XbaseErrorCode::BadValue,
                      "Field " + field.name + " is not " + wanted + " (type " + field.type + ").");
}

void storeNumberText(const FieldDef& field, char* record, std::string_view text) {
    if (text.size() > field.length) throwOutOfRange();
    store(field, record, text, true);
}

}  // namespace

bool FieldDef::isKnownKind() const {
    return type == 'C' || type == 'D' || type == 'L' || type == 'N' || type == 'F';
}

FieldList::FieldList(std::vector<FieldDef> fields) : fields_(std::move(fields)) {
    folded_.resize(fields_.size());
    std::size_t slotCount = 8;
    while (slotCount < 2 * fields_.size()) slotCount *= 2;
    slots_.assign(slotCount, kNoField);
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        FieldDef& field = fields_[i];
        field.offset = recordLength_;
        recordLength_ += field.length;
        // A name too long to fold is only ever found letter by letter.
        if (!fold(field.name, folded_[i]) || i >= kNoField) {
            folded_[i].size = kFoldedLength + 1;
            continue;
        }
        // The first of two fields of one name is the one found.
        std::size_t slot = folded_[i].hash() & (slotCount - 1);
        while (slots_[slot] != kNoField && !(folded_[slots_[slot]] == folded_[i]))
            slot = (slot + 1) & (slotCount - 1);
        if (slots_[slot] == kNoField) slots_[slot] = static_cast<std::uint16_t>(i);
    }
}

std::size_t FieldList::FoldedName::hash() const {
    const std::uint64_t mixed =
        (words[0] ^ (words[1] * 0x9E3779B97F4A7C15ull)) * 0xFF51AFD7ED558CCDull;
    return static_cast<std::size_t>(mixed >> 32);
}

bool FieldList::fold(std::string_view name, FoldedName& folded) {
    if (name.size() > kFoldedLength) return false;
    char letters[kFoldedLength] = {};
    for (std::size_t i = 0; i < name.size(); ++i) letters[i] = upper(name[i]);
    std::memcpy(folded.words, letters, kFoldedLength);
    folded.size = name.size();
    return true;
}

const FieldDef* FieldList::find(std::string_view name) const {
    FoldedName wanted;
    if (fold(name, wanted)) {
        if (slots_.empty()) return nullptr;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = wanted.hash() & mask; slots_[slot] != kNoField;
             slot = (slot + 1) & mask)
            if (folded_[slots_[slot]] == wanted) return &fields_[slots_[slot]];
        return nullptr;
    }
    for (const FieldDef& field : fields_) {
        if (field.name.size() == name.size() &&
            std::equal(name.begin(), name.end(), field.name.begin(),
                       [](char a, char b) { return upper(a) == upper(b); }))
            return &field;
    }
    return nullptr;
}

std::string_view readRaw(const FieldDef& field, const char* record) {
    return {record + field.offset, field.length};
}

std::string readText(const FieldDef& field, const char* record) {
    std::string_view raw = readRaw(field, record);
    switch (field.type) {
        case 'D': {
            std::optional<Date> date = Date::fromYyyymmdd(raw);
            return date ? date->toShortText() : std::string();
        }
        case 'L':
            return readLogical(field, record) ? "T" : "F";
        case 'N':
        case 'F':
            return std::string(trim(raw));
        default:
            return std::string(trimRight(raw));
    }
}

Date readDate(const FieldDef& field, const char* record) {
    return Date::fromYyyymmdd(readRaw(field, record)).value_or(Date());
}

bool isTrueLogicalLetter(char c) {
    return c == 'T' || c == 't' || c == 'Y' || c == 'y' || c == '1';
}

bool readLogical(const FieldDef& field, const char* record) {
    return isTrueLogicalLetter(record[field.offset]);
}

double readNumber(const FieldDef& field, const char* record) {
    return parseDecimal(trim(readRaw(field, record))).value_or(0.0);
}

std::int64_t readInteger(const FieldDef& field, const char* record) {
    std::string_view text = trim(readRaw(field, record));
    if (!isDecimalText(text)) return 0;
    // The digits before the point, read as an integer so that wide fields
    // keep every digit (a double would round beyond 2^53).
    std::string_view whole = withoutPlus(text.substr(0, text.find('.')));
    if (whole.empty() || whole == "-") return 0;
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(whole.data(), whole.data() + whole.size(), value);
    if (ec == std::errc::result_out_of_range) {
        return whole.front() == '-' ? std::numeric_limits<std::int64_t>::min()
                                    : std::numeric_limits<std::int64_t>::max();
    }
    return value;
}

void writeText(const FieldDef& field, char* record, std::string_view text) {
    switch (field.type) {
        case 'D': {
            std::string_view trimmed = trim(text);
            if (trimmed.empty()) return writeBlank(field, record);
            std::optional<Date> date = Date::fromYyyymmdd(trimmed);
            if (!date) date = Date::fromShortText(trimmed);
            if (!date) {
                throw EXbaseError(
                    XbaseErrorCode::BadValue,
                    "\"" + std::string(text) + "\" is not a date (field " + field.name + ").");
            }
            return writeDate(field, record, *date);
        }
        case 'L':
            return writeLogical(field, record, !text.empty() && isTrueLogicalLetter(text.front()));
        case 'N':
        case 'F': {
            std::string_view trimmed = trim(text);
            if (trimmed.empty()) return writeBlank(field, record);
            std::optional<double> value = parseDecimal(trimmed);
            if (!value) {
                throw EXbaseError(
                    XbaseErrorCode::BadValue,
                    "\"" + std::string(text) + "\" is not a number (field " + field.name + ").");
            }
            return writeNumber(field, record, *value);
        }
        default:
            return store(field, record, text, false);
    }
}

void writeDate(const FieldDef& field, char* record, Date date) {
    if (field.type != 'D') throwWrongKind(field, "a date field");
    if (date.year() < 1 || date.year() > 9999) {
        throw EXbaseError(XbaseErrorCode::BadValue,
                          "Field " + field.name + " holds only dates of the years 1 to 9999.");
    }
    store(field, record, date.toYyyymmdd(), false);
}

void writeLogical(const FieldDef& field, char* record, bool value) {
    if (field.type != 'L') throwWrongKind(field, "a logical field");
    store(field, record, value ? "T" : "F", false);
}

void writeNumber(const FieldDef& field, char* record, double value) {
    if (!isNumberKind(field)) throwWrongKind(field, "a numeric field");
    if (!std::isfinite(value)) throwOutOfRange();
    // Halves round away from zero, as xBase rounds; to_chars alone would
    // round them to even (2.25 to "2.2").
    double scale = std::pow(10.0, field.decimals);
    if (std::fabs(value) * scale < kExactIntegerLimit) value = std::round(value * scale) / scale;
    // Wider than any field, so a value that does not fit this buffer does
    // not fit the field either.
    char text[320];
    auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed,
                                   static_cast<int>(field.decimals));
    if (ec != std::errc()) throwOutOfRange();
    std::string_view digits(text, static_cast<std::size_t>(end - text));
    // A value that rounds to zero is stored without a sign: "-0.00" would
    // read back the same but compare differently as key text.
    if (digits.front() == '-' && digits.find_first_not_of("-0.") == std::string_view::npos)
        digits.remove_prefix(1);
    storeNumberText(field, record, digits);
}

void writeInteger(const FieldDef& field, char* record, std::int64_t value) {
    if (!isNumberKind(field)) throwWrongKind(field, "a numeric field");
    char text[24 + 1 + 255];  // digits and sign, point, the most decimals a field has
    char* end = std::to_chars(text, text + 24, value).ptr;
    if (field.decimals > 0) {
        *end++ = '.';
        end = std::fill_n(end, field.decimals, '0');
    }
    storeNumberText(field, record, std::string_view(text, static_cast<std::size_t>(end - text)));
}

void writeBlank(const FieldDef& field, char* record) {
    std::memset(record + field.offset, ' ', field.length);
}

}  // namespace marklift
