// A table's fields and the rules for reading and writing one field's value
// inside a record's bytes. Record bytes always include the leading deletion
// flag, so a field's offset counts from the start of the record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tables/date.h"

namespace marklift {

struct FieldDef {
    std::string name;  // upper case as stored, at most 10 characters
    char type = 'C';   // 'C', 'D', 'L', 'N', 'F'; other letters are kept as read
    std::uint8_t length = 0;
    std::uint8_t decimals = 0;
    std::uint32_t offset = 0;  // from the start of the record (deletion flag is byte 0)

    // C, D, L, N and F are read and written; other kinds are carried as raw bytes.
    bool isKnownKind() const;
};

class FieldList {
public:
    FieldList() = default;
    // Computes every offset from the lengths, after the deletion flag.
    explicit FieldList(std::vector<FieldDef> fields);

    const std::vector<FieldDef>& fields() const { return fields_; }
    std::size_t size() const { return fields_.size(); }
    const FieldDef& operator[](std::size_t i) const { return fields_[i]; }
    // Without regard to letter case; nullptr when the table has no such field.
    const FieldDef* find(std::string_view name) const;
    // Deletion flag plus every field.
    std::uint32_t recordLength() const { return recordLength_; }

private:
    // A name folded to upper case in two words. Names are looked up for
    // every field of every record, so a look-up is a hash of those words and
    // a compare or two of them, not a compare per letter and field.
    struct FoldedName {
        std::uint64_t words[2] = {0, 0};
        std::size_t size = 0;
        bool operator==(const FoldedName&) const = default;
        std::size_t hash() const;
    };
    static constexpr std::size_t kFoldedLength = sizeof(FoldedName::words);
    static constexpr std::uint16_t kNoField = 0xFFFF;
    // False for a name too long to fold.
    static bool fold(std::string_view name, FoldedName& folded);

    std::vector<FieldDef> fields_;
    std::vector<FoldedName> folded_;  // by field
    // Open addressing by FoldedName::hash: field indexes, kNoField where free.
    std::vector<std::uint16_t> slots_;
    std::uint32_t recordLength_ = 1;
};

// Reading. `record` points at the record's first byte (the deletion flag).
//
// Character: the stored bytes without trailing blanks.
// Date: the program's short date text MM/dd/yyyy, or empty text when blank or
//   not a date.
// Logical: "T" or "F".
// Numeric/Float: the stored text without surrounding blanks.
// Other kinds: the stored bytes without trailing blanks.
std::string readText(const FieldDef& field, const char* record);
// The stored bytes unchanged (dates as yyyymmdd or blanks).
std::string_view readRaw(const FieldDef& field, const char* record);
// A blank date, or bytes that are not a date, read as the zero date.
Date readDate(const FieldDef& field, const char* record);
// The letters a logical field, or a text written to one, reads as true by:
// T, t, Y, y and 1.
bool isTrueLogicalLetter(char c);
// True for T, t, Y, y and 1.
bool readLogical(const FieldDef& field, const char* record);
// Parsed with '.' as the decimal point whatever the locale; 0 when the text
// does not parse.
double readNumber(const FieldDef& field, const char* record);
// The whole-number part of readNumber.
std::int64_t readInteger(const FieldDef& field, const char* record);

// Writing. Each throws EXbaseError when the value does not fit the field's
// kind; numbers too wide for the field fail with "Numeric out of range.".
// writeText serves every kind; the typed writers need a field of their kind.
//
// Character: left-aligned, blank-padded, cut at the width.
// Date: "yyyymmdd" or MM/dd/yyyy text; empty text stores blanks.
// Logical: first character T/t/Y/y/1 stores T, anything else F.
// Numeric: parsed as a number, then stored as writeNumber does; empty text
//   stores blanks.
// Other kinds: as Character.
void writeText(const FieldDef& field, char* record, std::string_view text);
// Stores yyyymmdd; the zero date stores 18991230, never blanks.
void writeDate(const FieldDef& field, char* record, Date date);
void writeLogical(const FieldDef& field, char* record, bool value);
// Right-aligned with the field's decimals, '.' as the decimal point.
void writeNumber(const FieldDef& field, char* record, double value);
void writeInteger(const FieldDef& field, char* record, std::int64_t value);
// Blanks over the whole field.
void writeBlank(const FieldDef& field, char* record);

}  // namespace marklift
