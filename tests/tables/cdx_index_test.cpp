// Reading .cdx files written by another xBase implementation, and refusing
// damaged ones.
#include "tables/cdx_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>

#include "cdx_test_files.h"
#include "platform/file.h"
#include "tables/byte_order.h"
#include "tables/xbase_error.h"

namespace marklift {
namespace {

using testing::fixturePath;
using testing::readBytes;

// Just enough of a .dbf to compute index keys from its records: the header
// length (bytes 8-9), the record length (10-11) and the field descriptors
// from byte 32 on, each field following the one before it in the record.
class DbfRecords {
public:
    explicit DbfRecords(const std::string& path) : bytes_(readBytes(path)) {
        headerLength_ = decodeLE16(&bytes_[8]);
        recordLength_ = decodeLE16(&bytes_[10]);
        std::size_t offset = 1;  // after the deletion flag
        for (std::size_t at = 32; bytes_[at] != 0x0D; at += 32) {
            const char* name = reinterpret_cast<const char*>(&bytes_[at]);
            fields_[std::string(name, std::find(name, name + 11, '\0'))] = {
                offset, bytes_[at + 16], static_cast<char>(bytes_[at + 11])};
            offset += bytes_[at + 16];
        }
    }
    std::size_t count() const { return (bytes_.size() - headerLength_) / recordLength_; }
    char type(const std::string& field) const { return fields_.at(field).type; }
    std::string value(std::uint32_t recno, const std::string& field) const {
        const Field& f = fields_.at(field);
        const std::size_t at = headerLength_ + (recno - 1) * recordLength_ + f.offset;
        return std::string(reinterpret_cast<const char*>(&bytes_[at]), f.length);
    }

private:
    struct Field {
        std::size_t offset;
        std::size_t length;
        char type;
    };
    std::vector<unsigned char> bytes_;
    std::size_t headerLength_;
    std::size_t recordLength_;
    std::map<std::string, Field> fields_;
};

// The key a tag whose expression is a single field gives a record.
std::string keyOf(const DbfRecords& dbf, std::uint32_t recno, const std::string& field) {
    std::string text = dbf.value(recno, field);
    if (dbf.type(field) != 'D') return text;
    const std::optional<Date> date = Date::fromYyyymmdd(text);
    if (!date && text.find_first_not_of(' ') != std::string::npos)
        ADD_FAILURE() << "record " << recno << " has the date \"" << text << "\"";
    return cdxDateKey(date.value_or(Date()), !date);
}

std::vector<std::uint32_t> readOrder(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::uint32_t> recnos;
    for (std::uint32_t recno; in >> recno;) recnos.push_back(recno);
    return recnos;
}

struct FixtureTags {
    std::string table;
    std::vector<CdxTag> tags;
};

CdxTag characterTag(const std::string& name, std::uint16_t keyLength) {
    CdxTag tag;
    tag.name = name;
    tag.keyExpression = name;
    tag.keyLength = keyLength;
    return tag;
}

CdxTag dateTag(const std::string& name) {
    CdxTag tag = characterTag(name, 8);
    tag.characterKeys = false;
    return tag;
}

void PrintTo(const FixtureTags& param, std::ostream* out) {
    *out << param.table;
}

class CdxFixtureTest : public ::testing::TestWithParam<FixtureTags> {};

// The tags come in the order they were made, with what their headers say.
TEST_P(CdxFixtureTest, ListsTheTags) {
    const std::string path = fixturePath("cdx/" + GetParam().table + ".CDX");
    File file(path, File::Access::ReadOnly, File::Lock::None);
    FileByteSource source(file);
    CdxReader reader(source);
    const std::vector<CdxTag>& expected = GetParam().tags;
    ASSERT_EQ(reader.tags().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const CdxTag& tag = reader.tags()[i];
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(tag.name, expected[i].name);
        EXPECT_EQ(tag.keyExpression, expected[i].keyExpression);
        EXPECT_EQ(tag.forExpression, "");
        EXPECT_EQ(tag.keyLength, expected[i].keyLength);
        EXPECT_EQ(tag.characterKeys, expected[i].characterKeys);
        EXPECT_FALSE(tag.descending);
        EXPECT_FALSE(tag.unique);
    }
}

// Every tag walks the records in the order the other implementation does,
// and each key is the one the record's field gives.
TEST_P(CdxFixtureTest, KeysMatchTheRecordsInTheOtherImplementationsOrder) {
    const std::string table = GetParam().table;
    File file(fixturePath("cdx/" + table + ".CDX"), File::Access::ReadOnly, File::Lock::None);
    FileByteSource source(file);
    CdxReader reader(source);
    const DbfRecords dbf(fixturePath("cdx/" + table + ".DBF"));
    for (std::size_t i = 0; i < reader.tags().size(); ++i) {
        const CdxTag& tag = reader.tags()[i];
        SCOPED_TRACE(tag.name);
        const KeyIndex keys = reader.readKeys(i);
        const std::vector<std::uint32_t> order =
            readOrder(fixturePath("orders/" + table + "." + tag.name + ".order"));
        ASSERT_EQ(order.size(), dbf.count());
        ASSERT_EQ(keys.size(), order.size());
        EXPECT_EQ(keys.keyLength(), tag.keyLength);
        for (std::size_t pos = 0; pos < keys.size(); ++pos) {
            ASSERT_EQ(keys.recnoAt(pos), order[pos]) << "position " << pos;
            ASSERT_EQ(keys.keyAt(pos), keyOf(dbf, order[pos], tag.keyExpression))
                << "record " << order[pos];
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, CdxFixtureTest,
    ::testing::Values(FixtureTags{"MULTI",
                                  {characterTag("SSN", 11), characterTag("LNAME", 13),
                                   characterTag("TESTCODE", 4), dateTag("DATE")}},
                      FixtureTags{"CODES", {characterTag("CODE", 4)}}),
    [](const auto& info) { return info.param.table; });

TEST(CdxDateKey, IsTheJulianDayAsAnOrderedDouble) {
    EXPECT_EQ(cdxDateKey(Date(), true), std::string("\x80\0\0\0\0\0\0\0", 8));
    // 2415019.0 is 0x41426CD580000000; the sign bit is set in the key.
    EXPECT_EQ(cdxDateKey(Date(), false), std::string("\xC1\x42\x6C\xD5\x80\0\0\0", 8));
    EXPECT_EQ(cdxDateKey(Date::fromYmd(2000, 1, 1), false),
              std::string("\xC1\x42\xB4\x2C\x80\0\0\0", 8));
}

TEST(CdxDateKey, SortsBlankFirstThenByDate) {
    const std::vector<std::string> keys = {cdxDateKey(Date(), true),
                                           cdxDateKey(Date::fromYmd(1800, 1, 1), false),
                                           cdxDateKey(Date(), false),
                                           cdxDateKey(Date::fromYmd(1899, 12, 31), false),
                                           cdxDateKey(Date::fromYmd(2004, 3, 15), false),
                                           cdxDateKey(Date::fromYmd(2004, 3, 16), false)};
    for (std::size_t i = 1; i < keys.size(); ++i) EXPECT_LT(keys[i - 1], keys[i]) << i;
}

// Damage done to a copy of MULTI.CDX. Its layout: tag directory leaf at
// 0x400 (entries at 0x418, names end at 0x600); tag SSN's header at 0x600,
// its root (an interior node of 23 entries of 11 + 8 bytes) at 0xE00, its
// first leaves at 0xA00 and 0xC00; the other tags' headers at 0x3A00, 0x6600
// and 0x9200.
struct Damage {
    const char* name;
    std::function<void(std::vector<unsigned char>&)> apply;
    const char* expected;  // part of the error text
};

void putLE16(std::vector<unsigned char>& b, std::size_t at, std::uint16_t v) {
    encodeLE16(&b[at], v);
}
void putLE32(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v) {
    encodeLE32(&b[at], v);
}
void putBE32(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v) {
    encodeBE32(&b[at], v);
}

const Damage kDamages[] = {
    {"Empty", [](auto& b) { b.clear(); }, "too short"},
    {"TruncatedInHeader", [](auto& b) { b.resize(1000); }, "too short"},
    {"TruncatedInTagHeader", [](auto& b) { b.resize(0x9400); }, "offset 37376"},
    {"TruncatedInTree", [](auto& b) { b.resize(0x8000); }, "outside the file"},
    {"NotCompound", [](auto& b) { b[14] = 0x20; }, "not a compound index"},
    {"RootOutsideFile", [](auto& b) { putLE32(b, 0x600, 0x100000); }, "outside the file"},
    {"RootOffPageBoundary", [](auto& b) { putLE32(b, 0x600, 0xE01); }, "page boundary"},
    {"RootIntoFileHeader", [](auto& b) { putLE32(b, 0x600, 0x200); }, "file header"},
    {"TagHeaderInFileHeader", [](auto& b) { b[0x419] = 0x02; }, "inside the file header"},
    {"ChildLoopsToRoot", [](auto& b) { putBE32(b, 0xE00 + 12 + 11 + 4, 0xE00); }, "loop"},
    {"SiblingsLoop", [](auto& b) { putLE32(b, 0xC08, 0xA00); }, "sibling"},
    {"LeftSiblingWrong", [](auto& b) { putLE32(b, 0xC04, 0x1000); }, "sibling"},
    {"LastNodeHasRightSibling", [](auto& b) { putLE32(b, 0xE08, 0xA00); }, "right sibling"},
    {"RootNotMarked", [](auto& b) { b[0xE00] = 0; }, "not marked as root"},
    {"InnerMarkedRoot", [](auto& b) { b[0xA00] = 3; }, "marked as root"},
    {"UnknownAttributes", [](auto& b) { b[0xA00] = 6; }, "attributes"},
    {"AbsurdLeafKeyCount", [](auto& b) { putLE16(b, 0xA02, 0xFFFF); }, "do not fit"},
    {"AbsurdInteriorKeyCount", [](auto& b) { putLE16(b, 0xE02, 500); }, "interior node"},
    {"InteriorWithoutKeys", [](auto& b) { putLE16(b, 0xE02, 0); }, "interior node"},
    {"RecnoBitsTooMany", [](auto& b) { b[0xA14] = 40; }, "layout"},
    {"MaskDisagreesWithBits", [](auto& b) { putLE32(b, 0xA0E, 0xFFF); }, "layout"},
    {"EntryWiderThanBits", [](auto& b) { b[0xA17] = 9; }, "layout"},
    {"FreeSpaceWrong", [](auto& b) { putLE16(b, 0xA0C, 3); }, "free space"},
    {"FirstKeyWithDuplicates", [](auto& b) { b[0xA1A] |= 0x01; }, "impossible byte counts"},
    {"CountsLongerThanKey", [](auto& b) { b[0xA1A] |= 0xF0; }, "impossible byte counts"},
    {"KeysOutOfOrder", [](auto& b) { b[0xBF5] = '9'; }, "out of order"},
    {"TagNamesOutOfOrder", [](auto& b) { b[0x5FC] = 'Z'; }, "tag names out of order"},
    {"KeyLengthTooLong", [](auto& b) { putLE16(b, 0x60C, 300); }, "key length"},
    {"ExpressionOutsidePool", [](auto& b) { putLE16(b, 0x7FE, 600); }, "expression pool"},
    {"UnknownSortOrder", [](auto& b) { putLE16(b, 0x7F6, 7); }, "sort order"},
};

void PrintTo(const Damage& param, std::ostream* out) {
    *out << param.name;
}

class CdxDamageTest : public ::testing::TestWithParam<Damage> {};

TEST_P(CdxDamageTest, IsABadIndexErrorNamingTheFile) {
    std::vector<unsigned char> bytes = readBytes(fixturePath("cdx/MULTI.CDX"));
    GetParam().apply(bytes);
    try {
        testing::readEverything("damaged.cdx", std::move(bytes));
        FAIL() << "no error";
    } catch (const EXbaseError& e) {
        EXPECT_EQ(e.code(), XbaseErrorCode::BadIndex);
        const std::string text = e.what();
        EXPECT_EQ(text.rfind("damaged.cdx: ", 0), 0u) << text;
        EXPECT_NE(text.find(GetParam().expected), std::string::npos) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(MultiCdx, CdxDamageTest, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CdxReader, NamesTheTagNumberItDoesNotHave) {
    testing::MemoryCdx cdx("CODES.CDX", readBytes(fixturePath("cdx/CODES.CDX")));
    try {
        cdx.reader.readKeys(1);
        FAIL() << "no error";
    } catch (const EXbaseError& e) {
        EXPECT_EQ(e.code(), XbaseErrorCode::NoSuchOrder);
        EXPECT_NE(std::string(e.what()).find("CODES.CDX"), std::string::npos);
    }
}

}  // namespace
}  // namespace marklift
