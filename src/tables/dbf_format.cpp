#include "tables/dbf_format.h"

#include <algorithm>
#include <cstring>

#include "tables/byte_order.h"
#include "tables/xbase_error.h"

namespace marklift {
namespace {

constexpr int kBaseYear = 1900;
constexpr std::size_t kNameSize = 11;

}  // namespace

void encodeDbfHeader(const DbfHeader& header, unsigned char* out) {
    std::memset(out, 0, kDbfPrefixSize);
    out[0] = header.version;
    encodeDbfUpdate(header, out);
    encodeLE16(out + 8, header.headerLength);
    encodeLE16(out + 10, header.recordLength);
    out[28] = header.tableFlags;
    out[29] = header.codePageMark;
}

void encodeDbfUpdate(const DbfHeader& header, unsigned char* prefix) {
    int year = std::clamp(header.lastUpdate.year() - kBaseYear, 0, 255);
    prefix[1] = static_cast<unsigned char>(year);
    prefix[2] = static_cast<unsigned char>(header.lastUpdate.month());
    prefix[3] = static_cast<unsigned char>(header.lastUpdate.day());
    encodeLE32(prefix + 4, header.recordCount);
}

DbfHeader decodeDbfHeader(const unsigned char* in) {
    DbfHeader header;
    header.version = in[0];
    int year = kBaseYear + in[1], month = in[2], day = in[3];
    header.lastUpdate =
        Date::isValidYmd(year, month, day) ? Date::fromYmd(year, month, day) : Date();
    header.recordCount = decodeLE32(in + 4);
    header.headerLength = decodeLE16(in + 8);
    header.recordLength = decodeLE16(in + 10);
    header.tableFlags = in[28];
    header.codePageMark = in[29];
    return header;
}

void encodeFieldDescriptor(const FieldDef& field, unsigned char* out) {
    std::memset(out, 0, kDbfDescriptorSize);
    std::memcpy(out, field.name.data(), std::min(field.name.size(), kDbfMaxNameLength));
    out[11] = static_cast<unsigned char>(field.type);
    out[16] = field.length;
    out[17] = field.decimals;
}

FieldDef decodeFieldDescriptor(const unsigned char* in) {
    FieldDef field;
    const char* name = reinterpret_cast<const char*>(in);
    std::size_t nameLength = 0;
    while (nameLength < kNameSize && name[nameLength] != '\0') ++nameLength;
    while (nameLength > 0 && name[nameLength - 1] == ' ') --nameLength;
    field.name.assign(name, nameLength);
    field.type = static_cast<char>(in[11]);
    field.length = in[16];
    field.decimals = in[17];
    return field;
}

bool isVisualFoxProVersion(std::uint8_t version) {
    return version == 0x30 || version == 0x31 || version == 0x32;
}

void throwBadDbfHeader(const std::string& fileName, const std::string& reason) {
    throw EXbaseError(XbaseErrorCode::BadHeader,
                      "The table " + fileName + " is damaged: " + reason + ".");
}

std::vector<FieldDef> decodeFieldDescriptors(const unsigned char* header, std::size_t size,
                                             std::uint8_t version, const std::string& fileName) {
    std::vector<FieldDef> fields;
    std::size_t pos = kDbfPrefixSize;
    while (pos >= size || header[pos] != kDbfHeaderTerminator) {
        if (pos + kDbfDescriptorSize > size) {
            throwBadDbfHeader(fileName,
                              "the field list does not end (0x0D) within the header "
                              "length of " +
                                  std::to_string(size) + " bytes");
        }
        FieldDef field = decodeFieldDescriptor(header + pos);
        if (field.length == 0) {
            throwBadDbfHeader(fileName, "field " + std::to_string(fields.size() + 1) + " (" +
                                            field.name + ") has length 0");
        }
        fields.push_back(std::move(field));
        pos += kDbfDescriptorSize;
    }
    if (fields.empty()) throwBadDbfHeader(fileName, "the header declares no field");
    if (isVisualFoxProVersion(version) && pos + 1 + kDbfBacklinkSize > size)
        throwBadDbfHeader(fileName, "the header length leaves no room for the backlink");
    return fields;
}

std::uint16_t dbfHeaderLength(std::size_t fieldCount) {
    return static_cast<std::uint16_t>(kDbfPrefixSize + fieldCount * kDbfDescriptorSize + 2);
}

std::vector<unsigned char> encodeDbfHeaderBlock(const DbfHeader& header, const FieldList& fields) {
    std::vector<unsigned char> block(dbfHeaderLength(fields.size()), 0);
    encodeDbfHeader(header, block.data());
    std::size_t pos = kDbfPrefixSize;
    for (const FieldDef& field : fields.fields()) {
        encodeFieldDescriptor(field, block.data() + pos);
        pos += kDbfDescriptorSize;
    }
    block[pos] = kDbfHeaderTerminator;  // the 0x00 after it is already there
    return block;
}

}  // namespace marklift
