#include "tables/field_definition.h"

#include <charconv>
#include <string>
#include <vector>

#include "tables/xbase_error.h"

namespace marklift {
namespace {

constexpr std::size_t kMaxNameLength = 10;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = upper(c);
    return result;
}

// Reports one faulty item of one definition string.
class ItemError {
public:
    ItemError(std::string_view definitions, std::string_view item)
        : definitions_(definitions), item_(item) {}

    [[noreturn]] void fail(const std::string& reason) const {
        throw EXbaseError(XbaseErrorCode::BadFieldDefinition,
                          "Bad field definition \"" + std::string(item_) + "\" in \"" +
                              std::string(definitions_) + "\": " + reason + ".");
    }

private:
    std::string_view definitions_;
    std::string_view item_;
};

std::string parseName(std::string_view text, const ItemError& error) {
    if (text.empty()) error.fail("the field name is missing");
    if (text.size() > kMaxNameLength)
        error.fail("the field name is longer than " + std::to_string(kMaxNameLength) +
                   " characters");
    if (!isLetter(text.front())) error.fail("the field name must begin with a letter");
    for (char c : text) {
        if (!isLetter(c) && !isDigit(c) && c != '_')
            error.fail("the field name may hold only letters, digits and underscores");
    }
    return upper(text);
}

unsigned parseNumber(std::string_view text, const char* what, const ItemError& error) {
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > 255)
        error.fail(std::string("the ") + what + " \"" + std::string(text) +
                   "\" is not a number from 0 to 255");
    return value;
}

void checkSize(char type, unsigned length, unsigned decimals, const ItemError& error) {
    auto range = [&](unsigned low, unsigned high) {
        if (length < low || length > high)
            error.fail(std::string("a field of type ") + type + " must have a length of " +
                       (low == high ? std::to_string(low)
                                    : std::to_string(low) + " to " + std::to_string(high)));
    };
    switch (type) {
        case 'C':
            range(1, 254);
            break;
        case 'D':
            range(8, 8);
            break;
        case 'L':
            range(1, 1);
            break;
        case 'N':
            range(1, 20);
            // Room for at least one digit and the point beside the decimals.
            if (decimals != 0 && decimals + 1 >= length)
                error.fail("the decimals must be fewer than the length less one");
            return;
        default:
            error.fail(std::string("the type \"") + type + "\" is not one of C, D, L and N");
    }
    if (decimals != 0) error.fail(std::string("a field of type ") + type + " has no decimals");
}

FieldDef parseItem(std::string_view item, const ItemError& error) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        std::size_t comma = item.find(',', start);
        parts.push_back(trim(item.substr(start, comma - start)));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    if (parts.size() != 4) error.fail("an item needs a name, a type, a length and decimals");

    FieldDef field;
    field.name = parseName(parts[0], error);
    if (parts[1].size() != 1) error.fail("the type must be one letter");
    field.type = upper(parts[1].front());
    unsigned length = parseNumber(parts[2], "length", error);
    unsigned decimals = parseNumber(parts[3], "decimals", error);
    checkSize(field.type, length, decimals, error);
    field.length = static_cast<std::uint8_t>(length);
    field.decimals = static_cast<std::uint8_t>(decimals);
    return field;
}

}  // namespace

FieldList parseFieldDefinitions(std::string_view definitions) {
    std::vector<FieldDef> fields;
    std::string_view rest = definitions;
    while (!trim(rest).empty()) {
        std::size_t semicolon = rest.find(';');
        std::string_view item = trim(rest.substr(0, semicolon));
        ItemError error(definitions, item);
        if (semicolon == std::string_view::npos) error.fail("the item is not ended by a semicolon");
        if (item.empty()) error.fail("the item is empty");
        FieldDef field = parseItem(item, error);
        for (const FieldDef& earlier : fields) {
            if (earlier.name == field.name)
                error.fail("the field " + field.name + " is named twice");
        }
        fields.push_back(std::move(field));
        rest.remove_prefix(semicolon + 1);
    }
    if (fields.empty()) {
        throw EXbaseError(XbaseErrorCode::BadFieldDefinition,
                          "Bad field definition \"" + std::string(definitions) +
                              "\": a table needs at least one field.");
    }
    return FieldList(std::move(fields));
}

}  // namespace marklift
