// The .dbf file layout, its constants, and the encode/decode pairs for its
// header and field descriptors. The only place that knows where a byte of a
// .dbf header or record lives.
//
// A .dbf file is a header, the records, and an end-of-file mark:
//
// Header prefix, 32 bytes at offset 0 (integers little-endian):
//   offset size  meaning
//   0      1     version: 0x03 dBase III / FoxPro without memo (what Marklift
//                creates), 0x83 dBase III with memo, 0x8B dBase IV with memo,
//                0xF5 FoxPro 2 with memo, 0x30/0x31/0x32 Visual FoxPro; any
//                other value is read with this same layout
//   1      1     year of the last update, less 1900
//   2      1     month of the last update, 1..12
//   3      1     day of the last update, 1..31
//   4      4     number of records
//   8      2     header length: offset of the first record
//   10     2     record length, the deletion flag included
//   12     16    reserved (dBase IV transaction and multi-user bytes); zero
//   28     1     table flags: 0x01 a structural .cdx belongs to the table,
//                0x02 memo fields, 0x04 database container
//   29     1     code page mark (0x01 = code page 437, 0x00 = none given)
//   30     2     reserved; zero
//
// Field descriptors, 32 bytes each from offset 32, in record order:
//   offset size  meaning
//   0      11    name, NUL-padded (at most 10 characters and a NUL)
//   11     1     type letter: C D L N F, or another kind carried as raw bytes
//   12     4     offset of the field in the record; FoxPro fills it, dBase
//                leaves 0, so it is never trusted (offsets follow the lengths)
//   16     1     length
//   17     1     decimals
//   18     14    flags and reserved bytes; zero
//
// Header end:
//   0x0D in place of the next descriptor's first byte ends the descriptors.
//   Marklift, like most dBase III writers, follows it with one 0x00 and
//   counts both in the header length. Visual FoxPro follows it with a
//   263-byte backlink to a database container instead.
//
// Records, `record length` bytes each from the header length on:
//   offset size  meaning
//   0      1     deletion flag: ' ' present, '*' deleted
//   1      ...   the fields, each `length` bytes, in descriptor order
//
// After the last record: 0x1A, the end-of-file mark (some writers omit it,
// some pad further; neither matters).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tables/date.h"
#include "tables/field.h"

namespace marklift {

constexpr std::size_t kDbfPrefixSize = 32;
constexpr std::size_t kDbfDescriptorSize = 32;
constexpr std::size_t kDbfBacklinkSize = 263;
constexpr unsigned char kDbfHeaderTerminator = 0x0D;
constexpr unsigned char kDbfEndOfFileMark = 0x1A;
constexpr char kDbfRecordPresent = ' ';
constexpr char kDbfRecordDeleted = '*';

constexpr std::uint8_t kDbfVersionPlain = 0x03;
constexpr std::uint8_t kDbfFlagStructuralIndex = 0x01;
constexpr std::uint8_t kDbfCodePage437 = 0x01;
// The longest field name and record a header can describe.
constexpr std::size_t kDbfMaxNameLength = 10;
constexpr std::uint32_t kDbfMaxRecordLength = 0xFFFF;

// The 32-byte header prefix.
struct DbfHeader {
    std::uint8_t version = kDbfVersionPlain;
    Date lastUpdate;  // the zero date when the stored bytes are not a date
    std::uint32_t recordCount = 0;
    std::uint16_t headerLength = 0;
    std::uint16_t recordLength = 0;
    std::uint8_t tableFlags = 0;
    std::uint8_t codePageMark = 0;
};

void encodeDbfHeader(const DbfHeader& header, unsigned char* out);  // writes kDbfPrefixSize bytes
DbfHeader decodeDbfHeader(const unsigned char* in);                 // reads kDbfPrefixSize bytes
// Rewrites only the last-update date and the record count of a prefix read
// from disk, so bytes other writers keep there (dBase IV's transaction and
// multi-user bytes) survive an update.
void encodeDbfUpdate(const DbfHeader& header, unsigned char* prefix);

// The offset is left 0, as dBase writes it.
void encodeFieldDescriptor(const FieldDef& field, unsigned char* out);  // kDbfDescriptorSize bytes
// The offset is not read; FieldList computes it.
FieldDef decodeFieldDescriptor(const unsigned char* in);

// Visual FoxPro tables carry the backlink after the terminator.
bool isVisualFoxProVersion(std::uint8_t version);

// The field descriptors of a whole header (`size` = the header length
// bytes). Throws EXbaseError(BadHeader) naming `fileName` when the
// terminator is missing, when no field or a field of length 0 is declared,
// or when the header length leaves no room for the terminator (and a Visual
// FoxPro backlink).
std::vector<FieldDef> decodeFieldDescriptors(const unsigned char* header, std::size_t size,
                                             std::uint8_t version, const std::string& fileName);

// Throws EXbaseError(BadHeader): "The table <fileName> is damaged: <reason>."
[[noreturn]] void throwBadDbfHeader(const std::string& fileName, const std::string& reason);

// The header of a new table: prefix, descriptors, terminator and a 0x00.
std::uint16_t dbfHeaderLength(std::size_t fieldCount);
std::vector<unsigned char> encodeDbfHeaderBlock(const DbfHeader& header, const FieldList& fields);

// Where record `recno` (counting from 1) begins, and where the end-of-file
// mark goes after `recordCount` records.
inline std::uint64_t dbfRecordOffset(const DbfHeader& header, std::uint32_t recno) {
    return header.headerLength + std::uint64_t{recno - 1} * header.recordLength;
}
inline std::uint64_t dbfEndOfRecords(const DbfHeader& header, std::uint32_t recordCount) {
    return header.headerLength + std::uint64_t{recordCount} * header.recordLength;
}

// The deletion flag of a record's bytes.
inline bool isDbfRecordDeleted(const char* record) {
    return record[0] == kDbfRecordDeleted;
}
inline void setDbfRecordDeleted(char* record, bool deleted) {
    record[0] = deleted ? kDbfRecordDeleted : kDbfRecordPresent;
}

}  // namespace marklift
