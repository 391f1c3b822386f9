// Writing .cdx files: byte for byte what the other implementation writes,
// and read back unchanged whatever the keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <random>

#include "cdx_test_files.h"
#include "platform/file.h"
#include "support/temp_directory.h"
#include "tables/byte_order.h"
#include "tables/cdx_index.h"
#include "tables/xbase_error.h"

namespace marklift {
namespace {

using testing::fixturePath;
using testing::readBytes;
using testing::TempDirectory;

CdxTag makeTag(const std::string& name, std::uint16_t keyLength, bool characterKeys = true) {
    CdxTag tag;
    tag.name = name;
    tag.keyExpression = name;
    tag.keyLength = keyLength;
    tag.characterKeys = characterKeys;
    return tag;
}

KeyIndex sorted(KeyIndex keys) {
    keys.sort();
    return keys;
}

KeyIndex sameKeyTimes(std::string_view key, std::size_t count) {
    KeyIndex keys(key.size());
    for (std::uint32_t recno = 1; recno <= count; ++recno) keys.add(key, recno);
    return keys;
}

// 160 times "AAAA", then "AAAB" and `more` times "AAAB" again: the first 161
// take 7 + 159 * 3 + 4 = 488 bytes, a leaf to the last byte.
KeyIndex leafFilledExactly(std::size_t more) {
    KeyIndex keys = sameKeyTimes("AAAA", 160);
    for (std::uint32_t recno = 161; recno <= 161 + more; ++recno) keys.add("AAAB", recno);
    return keys;
}

// Character keys drawn from a small pool, so most repeat: blanks, keys with
// trailing blanks of every length, keys sharing long prefixes, high bytes.
// Each record takes a key at random; the index comes out in order without a
// sort by handing out the pool's keys in turn, each with its records.
KeyIndex mixedKeys(std::size_t count, std::size_t keyLength) {
    std::mt19937 random(20040315);
    std::vector<std::string> pool = {std::string(keyLength, ' ')};
    for (std::size_t i = 0; pool.size() < 700; ++i) {
        std::string key(keyLength, ' ');
        const std::size_t used = random() % (keyLength + 1);
        for (std::size_t c = 0; c < used; ++c)
            key[c] = i % 7 == 0 ? static_cast<char>(random() % 256) : "0123-AZaz"[random() % 9];
        pool.push_back(key);
    }
    std::sort(pool.begin(), pool.end());
    pool.erase(std::unique(pool.begin(), pool.end()), pool.end());
    std::vector<std::vector<std::uint32_t>> recnosOfKey(pool.size());
    for (std::uint32_t recno = 1; recno <= count; ++recno)
        recnosOfKey[random() % pool.size()].push_back(recno);
    KeyIndex keys(keyLength);
    keys.reserve(count);
    for (std::size_t k = 0; k < pool.size(); ++k) {
        for (std::uint32_t recno : recnosOfKey[k]) keys.add(pool[k], recno);
    }
    return keys;
}

KeyIndex dateKeys(std::size_t count) {
    std::mt19937 random(1899);
    KeyIndex keys(8);
    for (std::uint32_t recno = 1; recno <= count; ++recno) {
        const bool blank = random() % 10 == 0;
        keys.add(cdxDateKey(Date(static_cast<std::int32_t>(random() % 60000) - 10000), blank),
                 recno);
    }
    return sorted(std::move(keys));
}

void expectSameKeys(const KeyIndex& actual, const KeyIndex& expected) {
    ASSERT_EQ(actual.keyLength(), expected.keyLength());
    ASSERT_EQ(actual.size(), expected.size());
    std::size_t i = 0;
    while (i < expected.size() && actual.keyAt(i) == expected.keyAt(i) &&
           actual.recnoAt(i) == expected.recnoAt(i))
        ++i;
    if (i < expected.size()) {
        EXPECT_EQ(actual.keyAt(i), expected.keyAt(i)) << "position " << i;
        EXPECT_EQ(actual.recnoAt(i), expected.recnoAt(i)) << "position " << i;
    }
}

// Writes the tags to `path` and checks that each tag's keys were asked for
// once, in tag order.
void writeTags(const std::string& path, const std::vector<CdxTag>& tags,
               const std::vector<KeyIndex>& keys) {
    std::vector<std::size_t> asked;
    writeCdx(path, tags, [&](std::size_t i) {
        asked.push_back(i);
        return keys.at(i);
    });
    std::vector<std::size_t> inOrder(tags.size());
    std::iota(inOrder.begin(), inOrder.end(), std::size_t{0});
    EXPECT_EQ(asked, inOrder);
}

// Writes, reads back, and expects the same tags and keys; returns the size
// of the file.
std::uint64_t expectRoundTrip(const std::vector<CdxTag>& tags, const std::vector<KeyIndex>& keys) {
    TempDirectory dir;
    const std::string path = dir.file("ROUND.CDX");
    writeTags(path, tags, keys);
    File file(path, File::Access::ReadOnly, File::Lock::None);
    FileByteSource source(file);
    CdxReader reader(source);
    EXPECT_EQ(file.size() % 512, 0u);
    [&] {
        ASSERT_EQ(reader.tags().size(), tags.size());
        for (std::size_t i = 0; i < tags.size(); ++i) {
            SCOPED_TRACE(tags[i].name);
            const CdxTag& tag = reader.tags()[i];
            EXPECT_EQ(tag.name, tags[i].name);
            EXPECT_EQ(tag.keyExpression, tags[i].keyExpression);
            EXPECT_EQ(tag.forExpression, tags[i].forExpression);
            EXPECT_EQ(tag.keyLength, tags[i].keyLength);
            EXPECT_EQ(tag.unique, tags[i].unique);
            EXPECT_EQ(tag.descending, tags[i].descending);
            if (!keys[i].empty()) {
                EXPECT_EQ(tag.characterKeys, tags[i].characterKeys);
            }
            expectSameKeys(reader.readKeys(i), keys[i]);
        }
    }();
    return file.size();
}

struct OneTag {
    const char* name;
    CdxTag tag;
    std::function<KeyIndex()> keys;
    std::uint64_t fileSize;  // 0: not checked
};

// File sizes: 1024 + 512 for the file header and the directory, 1024 for
// the tag's header, then 512 a node. A leaf of "AAAA" keys with 3-byte
// entries holds 161 of them (the first keeps its 4 bytes: 7 + 160 * 3 <= 488);
// an interior node of 4-byte keys holds 500 / 12 = 41 children.
const OneTag kOneTag[] = {
    {"NoKeys", makeTag("CODE", 4), [] { return KeyIndex(4); }, 3072},
    {"OneKey", makeTag("CODE", 4), [] { return sameKeyTimes("AAAA", 1); }, 3072},
    {"FullLeaf", makeTag("CODE", 4), [] { return sameKeyTimes("AAAA", 161); }, 3072},
    {"FullLeafAndOne", makeTag("CODE", 4), [] { return sameKeyTimes("AAAA", 162); }, 4096},
    {"FullInteriorNode", makeTag("CODE", 4), [] { return sameKeyTimes("AAAA", 161 * 41); },
     2560 + 42 * 512},
    {"FullInteriorNodeAndOne", makeTag("CODE", 4),
     [] { return sameKeyTimes("AAAA", 161 * 41 + 1); }, 2560 + 45 * 512},
    {"LeafFilledToTheLastByte", makeTag("CODE", 4), [] { return leafFilledExactly(0); }, 3072},
    {"LeafFilledToTheLastByteAndOne", makeTag("CODE", 4), [] { return leafFilledExactly(1); },
     4096},
    {"AllBlank", makeTag("CODE", 4), [] { return sameKeyTimes("    ", 500); }, 0},
    {"LongKeys", makeTag("MESSAGE", 240), [] { return mixedKeys(3000, 240); }, 0},
    {"ManyDuplicatesAndBlanks", makeTag("SSN", 11), [] { return mixedKeys(200000, 11); }, 0},
    {"DatesWithBlanks", makeTag("DATE", 8, false), [] { return dateKeys(20000); }, 0},
    {"OnlyBlankDates", makeTag("DATE", 8, false),
     [] { return sameKeyTimes(cdxDateKey(Date(), true), 400); }, 0},
};

void PrintTo(const OneTag& param, std::ostream* out) {
    *out << param.name;
}

class CdxRoundTripTest : public ::testing::TestWithParam<OneTag> {};

TEST_P(CdxRoundTripTest, ReadsBackWhatItWrote) {
    const std::uint64_t size = expectRoundTrip({GetParam().tag}, {GetParam().keys()});
    if (GetParam().fileSize != 0) {
        EXPECT_EQ(size, GetParam().fileSize);
    }
}

INSTANTIATE_TEST_SUITE_P(OneTag, CdxRoundTripTest, ::testing::ValuesIn(kOneTag),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CdxWriter, KeepsSeveralTagsApartWithTheirOptions) {
    CdxTag ssn = makeTag("SSN", 11);
    ssn.unique = true;
    CdxTag date = makeTag("DATE", 8, false);
    date.forExpression = "!DELETED()";
    CdxTag name = makeTag("LNAME", 15);
    name.keyExpression = "UPPER(LNAME)";
    name.descending = true;
    CdxTag empty = makeTag("EMPTY", 3);
    expectRoundTrip({ssn, date, name, empty},
                    {mixedKeys(900, 11), dateKeys(700), mixedKeys(2000, 15), KeyIndex(3)});
}

TEST(CdxWriter, HoldsADirectoryOfManyPages) {
    std::vector<CdxTag> tags;
    std::vector<KeyIndex> keys;
    for (int i = 0; i < 120; ++i) {
        // Names with little in common, so the directory keeps most of each.
        std::string name;
        std::uint32_t v = static_cast<std::uint32_t>(i) * 7919u + 1;
        for (int c = 0; c < 10; ++c, v = v * 31 + 7) name += "ABCDEFGHIJKLMNOPQRSTUVWXYZ_0"[v % 28];
        if (std::any_of(tags.begin(), tags.end(), [&](const CdxTag& t) { return t.name == name; }))
            continue;
        tags.push_back(makeTag(name, 6));
        keys.push_back(sameKeyTimes(name.substr(0, 6), static_cast<std::size_t>(i % 3)));
    }
    ASSERT_GT(tags.size(), 100u);
    expectRoundTrip(tags, keys);
}

// A rewrite of the other implementation's files, from the tags and keys read
// out of them, gives the same bytes: the same page order and packing, the
// same headers. Only bytes 20-23 of the file header, which that writer fills
// with a mark of its own, differ.
class CdxRewriteTest : public ::testing::TestWithParam<const char*> {};

TEST_P(CdxRewriteTest, GivesTheOtherImplementationsBytes) {
    const std::vector<unsigned char> original = readBytes(fixturePath(GetParam()));
    testing::MemoryCdx cdx(GetParam(), original);
    std::vector<KeyIndex> keys;
    for (std::size_t i = 0; i < cdx.reader.tags().size(); ++i)
        keys.push_back(cdx.reader.readKeys(i));
    TempDirectory dir;
    const std::string path = dir.file("REWRITE.CDX");
    writeTags(path, cdx.reader.tags(), keys);

    std::vector<unsigned char> written = readBytes(path);
    ASSERT_EQ(written.size(), original.size());
    std::copy(original.begin() + 20, original.begin() + 24, written.begin() + 20);
    const auto differ = std::mismatch(written.begin(), written.end(), original.begin());
    EXPECT_TRUE(differ.first == written.end())
        << "first difference at offset " << (differ.first - written.begin());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CdxRewriteTest,
                         ::testing::Values("cdx/MULTI.CDX", "cdx/CODES.CDX"),
                         [](const auto& info) { return std::string(info.param).substr(4, 5); });

std::string text(const std::vector<unsigned char>& bytes, std::size_t at, std::size_t length) {
    return std::string(reinterpret_cast<const char*>(&bytes[at]), length);
}

TEST(CdxWriter, WritesHeadersAndNodesByteForByte) {
    CdxTag tag = makeTag("CODE", 4);
    tag.unique = true;
    tag.descending = true;
    tag.forExpression = "X>1";
    KeyIndex keys(4);
    keys.add("B2", 3);
    keys.add("A1", 5);
    TempDirectory dir;
    const std::string path = dir.file("BYTES.CDX");
    writeTags(path, {tag}, {sorted(keys)});
    const std::vector<unsigned char> b = readBytes(path);
    ASSERT_EQ(b.size(), 3072u);

    // File header and tag directory.
    EXPECT_EQ(decodeLE32(&b[0]), 0x400u);            // root
    EXPECT_EQ(text(b, 4, 8), std::string(8, '\0'));  // free list, version
    EXPECT_EQ(decodeLE16(&b[12]), 10);               // tag name length
    EXPECT_EQ(b[14], 0xE0);                          // compact, compound, directory
    EXPECT_EQ(b[15], 1);                             // signature
    EXPECT_EQ(decodeLE16(&b[16]), 1024);
    EXPECT_EQ(decodeLE16(&b[18]), 512);
    EXPECT_EQ(text(b, 20, 482), std::string(482, '\0'));
    EXPECT_EQ(text(b, 502, 10), std::string("\0\0\1\0\1\0\0\0\1\0", 10));
    EXPECT_EQ(text(b, 512, 512), std::string(512, '\0'));
    EXPECT_EQ(text(b, 0x400, 12), std::string("\3\0\1\0\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 12));
    EXPECT_EQ(decodeLE16(&b[0x40C]), 488 - 3 - 4);  // free space
    EXPECT_EQ(text(b, 0x40E, 10), std::string("\xFF\xFF\0\0\x0F\x0F\x10\4\4\3", 10));
    EXPECT_EQ(text(b, 0x418, 3), std::string("\0\6\x60", 3));  // offset 0x600, 6 blanks
    EXPECT_EQ(text(b, 0x5FC, 4), "CODE");

    // Tag header.
    EXPECT_EQ(decodeLE32(&b[0x600]), 0xA00u);
    EXPECT_EQ(decodeLE16(&b[0x60C]), 4);
    EXPECT_EQ(b[0x60E], 0x69);  // compact, compound, FOR clause, unique
    EXPECT_EQ(b[0x60F], 1);
    EXPECT_EQ(text(b, 0x7F6, 10), std::string("\1\0\5\0\4\0\0\0\5\0", 10));
    EXPECT_EQ(text(b, 0x800, 10), std::string("CODE\0X>1\0\0", 10));

    // The tag's one leaf: "A1  " for record 5 and "B2  " for record 3, each
    // with two trailing blanks cut; 18 record number bits, 3 and 3 for counts.
    EXPECT_EQ(text(b, 0xA00, 12), std::string("\3\0\2\0\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 12));
    EXPECT_EQ(decodeLE16(&b[0xA0C]), 488 - 2 * 3 - 2 * 2);
    EXPECT_EQ(text(b, 0xA0E, 10), std::string("\xFF\xFF\3\0\7\7\x12\3\3\3", 10));
    EXPECT_EQ(text(b, 0xA18, 6), std::string("\5\0\x40\3\0\x40", 6));
    EXPECT_EQ(text(b, 0xBFC, 4), "B2A1");
}

struct Refusal {
    const char* name;
    CdxTag tag;
    std::function<KeyIndex()> keys;
};

KeyIndex unsortedKeys() {
    KeyIndex keys(4);
    keys.add("BBBB", 1);
    keys.add("AAAA", 2);
    return keys;
}

CdxTag withExpression(std::string expression) {
    CdxTag tag = makeTag("CODE", 4);
    tag.keyExpression = std::move(expression);
    tag.forExpression = "X";
    return tag;
}

const Refusal kRefusals[] = {
    {"NoName", makeTag("", 4), [] { return KeyIndex(4); }},
    {"NameTooLong", makeTag("ELEVENCHARS", 4), [] { return KeyIndex(4); }},
    {"NameWithBlank", makeTag("A B", 4), [] { return KeyIndex(4); }},
    {"KeyLengthZero", makeTag("CODE", 0), [] { return KeyIndex(0); }},
    {"KeyLengthTooLong", makeTag("CODE", 241), [] { return KeyIndex(241); }},
    {"DateKeyNotEightBytes", makeTag("DATE", 4, false), [] { return KeyIndex(4); }},
    {"ExpressionsTooLong", withExpression(std::string(510, 'A')), [] { return KeyIndex(4); }},
    {"KeysOfAnotherLength", makeTag("CODE", 4), [] { return KeyIndex(5); }},
    {"KeysNotSorted", makeTag("CODE", 4), unsortedKeys},
};

void PrintTo(const Refusal& param, std::ostream* out) {
    *out << param.name;
}

class CdxRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(CdxRefusalTest, IsABadIndexErrorNamingTheFile) {
    TempDirectory dir;
    const std::string path = dir.file("REFUSED.CDX");
    try {
        writeCdx(path, {GetParam().tag}, [&](std::size_t) { return GetParam().keys(); });
        FAIL() << "no error";
    } catch (const EXbaseError& e) {
        EXPECT_EQ(e.code(), XbaseErrorCode::BadIndex);
        EXPECT_EQ(std::string(e.what()).rfind(path + ": ", 0), 0u) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Tags, CdxRefusalTest, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CdxWriter, RefusesTwoTagsOfOneName) {
    TempDirectory dir;
    const std::string path = dir.file("TWICE.CDX");
    EXPECT_THROW(writeCdx(path, {makeTag("CODE", 4), makeTag("CODE", 4)},
                          [](std::size_t) { return KeyIndex(4); }),
                 EXbaseError);
}

TEST(CdxWriter, ExpressionsFillingThePoolExactlyAreKept) {
    expectRoundTrip({withExpression(std::string(509, 'A'))}, {sameKeyTimes("AAAA", 3)});
}

TEST(CdxWriter, ReportsAFileItCannotCreate) {
    TempDirectory dir;
    const std::string path = dir.file("missing/NOWHERE.CDX");
    try {
        writeCdx(path, {makeTag("CODE", 4)}, [](std::size_t) { return KeyIndex(4); });
        FAIL() << "no error";
    } catch (const EXbaseError& e) {
        EXPECT_EQ(e.code(), XbaseErrorCode::OpenFailed);
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace marklift
