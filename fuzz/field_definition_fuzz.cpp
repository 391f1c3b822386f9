// libFuzzer target: any text as a field-definition string. A refusal must be
// EXbaseError(BadFieldDefinition) quoting the whole string; an accepted list
// must keep every rule a new table's header relies on, read back the same
// when written out again in the canonical form, and survive the trip through
// the .dbf field descriptors the engine creates tables with.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tables/dbf_format.h"
#include "tables/field.h"
#include "tables/field_definition.h"
#include "tables/xbase_error.h"

namespace {

using marklift::FieldDef;
using marklift::FieldList;

void check(bool condition) {
    if (!condition) __builtin_trap();
}

bool isNameCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool sameFields(const FieldList& a, const FieldList& b) {
    if (a.size() != b.size() || a.recordLength() != b.recordLength()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].type != b[i].type || a[i].length != b[i].length ||
            a[i].decimals != b[i].decimals || a[i].offset != b[i].offset)
            return false;
    }
    return true;
}

// The rules of field_definition.h, field by field.
void checkRules(const FieldList& fields) {
    check(fields.size() > 0);
    std::uint32_t offset = 1;  // after the deletion flag
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const FieldDef& field = fields[i];
        check(!field.name.empty() && field.name.size() <= marklift::kDbfMaxNameLength);
        check(field.name.front() >= 'A' && field.name.front() <= 'Z');
        for (char c : field.name) check(isNameCharacter(c));
        for (std::size_t j = 0; j < i; ++j) check(fields[j].name != field.name);
        check(fields.find(field.name) == &field);
        switch (field.type) {
            case 'C':
                check(field.length >= 1 && field.length <= 254 && field.decimals == 0);
                break;
            case 'D':
                check(field.length == 8 && field.decimals == 0);
                break;
            case 'L':
                check(field.length == 1 && field.decimals == 0);
                break;
            case 'N':
                check(field.length >= 1 && field.length <= 20);
                check(field.decimals == 0 || field.decimals + 1 < field.length);
                break;
            default:
                check(false);
        }
        check(field.offset == offset);
        offset += field.length;
    }
    check(fields.recordLength() == offset);
}

// The canonical form: "NAME,T,LENGTH,DECIMALS;" per field.
std::string format(const FieldList& fields) {
    std::string text;
    for (const FieldDef& field : fields.fields()) {
        text += field.name + ',' + field.type + ',' + std::to_string(field.length) + ',' +
                std::to_string(field.decimals) + ';';
    }
    return text;
}

// The descriptors a new table's header holds decode to the same fields,
// whenever the header can describe them.
void checkHeaderTrip(const FieldList& fields) {
    const std::size_t headerLength =
        marklift::kDbfPrefixSize + fields.size() * marklift::kDbfDescriptorSize + 2;
    if (headerLength > 0xFFFF || fields.recordLength() > marklift::kDbfMaxRecordLength) return;
    marklift::DbfHeader header;
    header.headerLength = static_cast<std::uint16_t>(headerLength);
    header.recordLength = static_cast<std::uint16_t>(fields.recordLength());
    const std::vector<unsigned char> block = marklift::encodeDbfHeaderBlock(header, fields);
    check(block.size() == headerLength);
    const FieldList decoded(
        marklift::decodeFieldDescriptors(block.data(), block.size(), header.version, "fuzz.dbf"));
    check(sameFields(decoded, fields));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    FieldList fields;
    try {
        fields = marklift::parseFieldDefinitions(text);
    } catch (const marklift::EXbaseError& error) {
        check(error.code() == marklift::XbaseErrorCode::BadFieldDefinition);
        // what() ends at the first NUL, which may come before the quote.
        const std::string quoted = "\"" + std::string(text) + "\"";
        if (text.find('\0') == std::string_view::npos)
            check(std::string_view(error.what()).find(quoted) != std::string_view::npos);
        return 0;
    }
    checkRules(fields);
    const std::string canonical = format(fields);
    check(sameFields(marklift::parseFieldDefinitions(canonical), fields));
    checkHeaderTrip(fields);
    return 0;
}
