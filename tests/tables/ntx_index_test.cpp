// Clipper .ntx indexes: reading files another xBase implementation wrote,
// writing trees that read back (and match Clipper's own page for page), and
// refusing damaged files with an error that names them.
#include "tables/ntx_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/file.h"
#include "support/temp_directory.h"
#include "tables/byte_order.h"
#include "tables/ntx_format.h"
#include "tables/xbase_error.h"

namespace marklift {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;
using testing::TempDirectory;

const fs::path kFixtures = MARKLIFT_FIXTURES;

Bytes readBytes(const fs::path& path) {
    Bytes bytes(fs::file_size(path));
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void writeBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint32_t> readOrder(const fs::path& path) {
    std::ifstream in(path);
    std::vector<std::uint32_t> recnos;
    for (std::uint32_t r; in >> r;) recnos.push_back(r);
    return recnos;
}

std::vector<std::uint32_t> recnosOf(const KeyIndex& keys) {
    std::vector<std::uint32_t> recnos;
    for (std::size_t i = 0; i < keys.size(); ++i) recnos.push_back(keys.recnoAt(i));
    return recnos;
}

NtxContents readNtxFile(const fs::path& path) {
    File file(path.string(), File::Access::ReadOnly, File::Lock::None);
    return readNtx(FileByteSource(file));
}

// ---------------------------------------------------------------------------
// Files written by another implementation

struct FixtureCase {
    const char* ntx;
    const char* order;
};

void PrintTo(const FixtureCase& c, std::ostream* out) {
    *out << c.ntx;
}

class NtxFixtureTest : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(NtxFixtureTest, WalksInTheOrderTheOtherImplementationDoes) {
    const NtxContents contents = readNtxFile(kFixtures / "zolt" / GetParam().ntx);
    EXPECT_EQ(contents.header.keyExpression, "SSN");
    EXPECT_EQ(contents.header.keyLength, 11);
    EXPECT_EQ(contents.header.keyDecimals, 0);
    EXPECT_FALSE(contents.header.unique);
    EXPECT_EQ(contents.keys.keyLength(), 11u);
    EXPECT_TRUE(contents.keys.isSorted());
    const auto expected = readOrder(kFixtures / "orders" / GetParam().order);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(recnosOf(contents.keys), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Zolt, NtxFixtureTest,
    ::testing::Values(FixtureCase{"DELVTP1/SSN.NTX", "DELVTP1.STUDENT.SSN.order"},
                      FixtureCase{"DELVTP1/SSNTEMP.NTX", "DELVTP1.STUDTEMP.SSNTEMP.order"},
                      FixtureCase{"DELVTP2/SSN.NTX", "DELVTP2.STUDENT.SSN.order"},
                      FixtureCase{"DELVTP2/SSNTEMP.NTX", "DELVTP2.STUDTEMP.SSNTEMP.order"},
                      FixtureCase{"DELVTP3/SSN.NTX", "DELVTP3.STUDENT.SSN.order"},
                      FixtureCase{"DELVTP3/SSNTEMP.NTX", "DELVTP3.STUDTEMP.SSNTEMP.order"}));

TEST(NtxFixture, SeeksKeysStoredInLeavesAndInTheRoot) {
    const NtxContents contents = readNtxFile(kFixtures / "zolt/DELVTP1/SSN.NTX");
    const KeyIndex& keys = contents.keys;
    struct Seek {
        const char* key;
        std::uint32_t recno;  // of the first entry at or after `key`
    };
    // Keys and record numbers as they stand in the file's first leaf and root.
    for (const Seek& s :
         {Seek{"100-01-5838", 1}, Seek{"100-02-3757", 2}, Seek{"100-40-3869", 47},
          Seek{"100-40-3868", 47}, Seek{"102-82-7083", 329}, Seek{"100-01", 1}, Seek{"", 1}}) {
        SCOPED_TRACE(s.key);
        const std::size_t pos = keys.lowerBound(s.key);
        ASSERT_LT(pos, keys.size());
        EXPECT_EQ(keys.recnoAt(pos), s.recno);
    }
    EXPECT_EQ(keys.lowerBound("999"), keys.size());
}

// Only what a reader looks at: the header page, and in each B-tree page the
// count, the slots, the keys in use and the last child pointer. Clipper
// leaves stale bytes in the unused items, which nobody reads.
void expectSameLiveBytes(const Bytes& actual, const Bytes& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    ASSERT_GE(actual.size(), kNtxPageSize);
    EXPECT_TRUE(std::equal(actual.begin(), actual.begin() + kNtxPageSize, expected.begin()))
        << "header pages differ";
    const NtxHeaderPage h = decodeNtxHeader(expected.data());
    for (std::size_t at = kNtxPageSize; at < expected.size(); at += kNtxPageSize) {
        const unsigned char* e = expected.data() + at;
        const unsigned char* a = actual.data() + at;
        const std::size_t count = decodeNtxKeyCount(e);
        ASSERT_EQ(decodeNtxKeyCount(a), count) << "page " << at;
        for (std::size_t slot = 0; slot <= h.maxItems; ++slot)
            ASSERT_EQ(decodeNtxSlot(a, slot), decodeNtxSlot(e, slot)) << "page " << at;
        for (std::size_t i = 0; i <= count; ++i) {
            const std::size_t item = decodeNtxSlot(e, i);
            const std::size_t live = i < count ? h.itemSize : 4;
            EXPECT_TRUE(std::equal(a + item, a + item + live, e + item))
                << "page " << at << " item " << i;
        }
    }
}

TEST(NtxFixture, WriterLaysOutTheSamePagesAsClipper) {
    TempDirectory dir;
    for (const char* name : {"DELVTP1/SSN.NTX", "DELVTP1/SSNTEMP.NTX"}) {
        SCOPED_TRACE(name);
        const fs::path original = kFixtures / "zolt" / name;
        const NtxContents contents = readNtxFile(original);
        const fs::path copy = dir.path() / "COPY.NTX";
        writeNtx(copy.string(), contents.header, contents.keys);
        expectSameLiveBytes(readBytes(copy), readBytes(original));
    }
}

// ---------------------------------------------------------------------------
// Writing

KeyIndex randomKeys(std::size_t keyLength, std::size_t count, std::uint32_t seed) {
    std::mt19937 random(seed);
    // Few distinct letters, so that long runs of equal keys appear.
    std::uniform_int_distribution<int> letter('A', 'D');
    KeyIndex keys(keyLength);
    keys.reserve(count);
    std::string key(keyLength, ' ');
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t c = 0; c < keyLength && c < 9; ++c)
            key[c] = static_cast<char>(letter(random));
        keys.add(key, static_cast<std::uint32_t>(i + 1));
    }
    return keys;
}

struct TreeShape {
    int depth = 0;
    std::size_t pages = 0;
};

// Walks the written pages directly: every leaf at the same depth, every page
// but the root at least half full, none over max items.
TreeShape checkBalanced(const Bytes& file, const NtxHeaderPage& h) {
    TreeShape shape;
    int leafDepth = 0;
    std::function<void(std::uint32_t, int)> visit = [&](std::uint32_t offset, int depth) {
        ++shape.pages;
        const unsigned char* page = file.data() + offset;
        const std::size_t count = decodeNtxKeyCount(page);
        EXPECT_LE(count, h.maxItems);
        if (offset != h.rootOffset) {
            EXPECT_GE(count, h.halfItems) << "page " << offset;
        }
        bool leaf = true;
        for (std::size_t i = 0; i <= count; ++i) {
            const std::uint32_t child = decodeNtxItem(page, decodeNtxSlot(page, i)).child;
            if (i > 0) {
                EXPECT_EQ(child != 0, !leaf) << "page " << offset;
            }
            leaf = child == 0;
            if (child != 0) visit(child, depth + 1);
        }
        if (leaf) {
            if (leafDepth == 0) leafDepth = depth;
            EXPECT_EQ(depth, leafDepth) << "page " << offset;
        }
        shape.depth = std::max(shape.depth, depth);
    };
    visit(h.rootOffset, 1);
    return shape;
}

struct RoundTripCase {
    std::size_t keyLength;
    std::size_t count;
    int depth;
};

void PrintTo(const RoundTripCase& c, std::ostream* out) {
    *out << c.count << " keys of length " << c.keyLength;
}

class NtxRoundTripTest : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(NtxRoundTripTest, ReadsBackTheSortedKeysFromABalancedTree) {
    const RoundTripCase c = GetParam();
    KeyIndex keys = randomKeys(c.keyLength, c.count, static_cast<std::uint32_t>(c.count));
    KeyIndex reference = keys;
    reference.sort();

    TempDirectory dir;
    const fs::path path = dir.path() / "KEYS.NTX";
    writeNtx(path.string(), {"UPPER(LNAME)", static_cast<std::uint16_t>(c.keyLength), 0, false},
             reference);
    const Bytes bytes = readBytes(path);
    ASSERT_EQ(bytes.size() % kNtxPageSize, 0u);

    const NtxHeaderPage h = decodeNtxHeader(bytes.data());
    const TreeShape shape = checkBalanced(bytes, h);
    EXPECT_EQ(shape.depth, c.depth);
    EXPECT_EQ(shape.pages + 1, bytes.size() / kNtxPageSize) << "a page no tree reaches";

    const NtxContents back = readNtxFile(path);
    ASSERT_EQ(back.keys.size(), reference.size());
    std::size_t same = 0;
    while (same < reference.size() && back.keys.keyAt(same) == reference.keyAt(same) &&
           back.keys.recnoAt(same) == reference.recnoAt(same)) {
        ++same;
    }
    EXPECT_EQ(same, reference.size()) << "entries differ from here on";
    EXPECT_EQ(back.header.keyExpression, "UPPER(LNAME)");
    EXPECT_EQ(back.header.keyLength, c.keyLength);
}

// Pages hold 46 keys of length 11, 90 of length 1, 8 of length 100, 2 of length 256.
INSTANTIATE_TEST_SUITE_P(Sizes, NtxRoundTripTest,
                         ::testing::Values(RoundTripCase{11, 0, 1}, RoundTripCase{11, 1, 1},
                                           RoundTripCase{11, 46, 1}, RoundTripCase{11, 47, 2},
                                           RoundTripCase{11, 48, 2}, RoundTripCase{11, 2208, 2},
                                           RoundTripCase{11, 2209, 3}, RoundTripCase{11, 100000, 3},
                                           RoundTripCase{1, 5000, 2}, RoundTripCase{256, 40, 4},
                                           RoundTripCase{100, 3000, 4}));

TEST(NtxWriter, WritesTheHeaderPageByteForByte) {
    KeyIndex keys(20);
    keys.add("SMITH", 7);
    TempDirectory dir;
    const fs::path path = dir.path() / "NAME.NTX";
    writeNtx(path.string(), {"UPPER(LNAME+FNAME)", 20, 2, true}, keys);
    const Bytes b = readBytes(path);
    ASSERT_EQ(b.size(), 2 * kNtxPageSize);

    Bytes expected(kNtxPageSize, 0);
    const unsigned char fixed[] = {0x06, 0x00, 0x01, 0x00,   // signature, version
                                   0x00, 0x04, 0x00, 0x00,   // root at 1024
                                   0x00, 0x00, 0x00, 0x00,   // no unused pages
                                   28,   0x00, 20,   0x00,   // item size, key length
                                   2,    0x00,               // decimals
                                   32,   0x00, 16,   0x00};  // 1022 / 30 = 34 items, max 32
    std::copy(std::begin(fixed), std::end(fixed), expected.begin());
    const std::string expression = "UPPER(LNAME+FNAME)";
    std::copy(expression.begin(), expression.end(), expected.begin() + 22);
    expected[278] = 1;
    EXPECT_EQ(Bytes(b.begin(), b.begin() + kNtxPageSize), expected);

    // The root leaf: one key, its slots, the item with its record number.
    const unsigned char* root = b.data() + kNtxPageSize;
    EXPECT_EQ(decodeLE16(root), 1);
    EXPECT_EQ(decodeLE16(root + 2), 2 + 2 * 33);
    EXPECT_EQ(decodeLE32(root + 68 + 4), 7u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(root + 68 + 8), 20),
              "SMITH               ");
}

TEST(NtxWriter, ReplacesAnExistingFile) {
    TempDirectory dir;
    const fs::path path = dir.path() / "OLD.NTX";
    writeBytes(path, Bytes(50000, 0xAB));
    KeyIndex keys(4);
    keys.add("ABCD", 1);
    writeNtx(path.string(), {"CODE", 4, 0, false}, keys);
    EXPECT_EQ(fs::file_size(path), 2 * kNtxPageSize);
    EXPECT_EQ(readNtxFile(path).keys.size(), 1u);
}

TEST(NtxWriter, RefusesKeysItCannotStore) {
    TempDirectory dir;
    const std::string path = (dir.path() / "BAD.NTX").string();
    KeyIndex unsorted(3);
    unsorted.add("BBB", 1);
    unsorted.add("AAA", 2);
    KeyIndex zeroRecno(3);
    zeroRecno.add("AAA", 0);
    KeyIndex fine(3);
    fine.add("AAA", 1);
    struct Case {
        const char* what;
        NtxHeader header;
        const KeyIndex* keys;
    };
    for (const Case& c :
         {Case{"unsorted", {"K", 3, 0, false}, &unsorted},
          Case{"record number 0", {"K", 3, 0, false}, &zeroRecno},
          Case{"length mismatch", {"K", 4, 0, false}, &fine},
          Case{"expression too long", {std::string(256, 'X'), 3, 0, false}, &fine}}) {
        SCOPED_TRACE(c.what);
        try {
            writeNtx(path, c.header, *c.keys);
            ADD_FAILURE() << "no error";
        } catch (const EXbaseError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
        EXPECT_FALSE(fs::exists(path)) << "a refused index must not leave a file";
    }
}

// ---------------------------------------------------------------------------
// Damaged files

// The fixture's layout: root page 9 with 7 keys over leaves 1..8.
constexpr std::size_t kRoot = 9 * kNtxPageSize;
constexpr std::size_t kLeaf = 1 * kNtxPageSize;
constexpr std::size_t kFirstItem = 96;  // past 47 slots
constexpr std::size_t kItemSize = 19;

void putLE16(Bytes& b, std::size_t at, std::uint16_t v) {
    encodeLE16(b.data() + at, v);
}
void putLE32(Bytes& b, std::size_t at, std::uint32_t v) {
    encodeLE32(b.data() + at, v);
}

// A chain of pages with no keys, each pointing down to the next: no loop,
// just deeper than any index.
Bytes deepChain(std::size_t pages) {
    Bytes b((pages + 1) * kNtxPageSize, 0);
    NtxHeaderPage h;
    h.keyLength = 11;
    h.itemSize = 19;
    h.maxItems = 46;
    h.halfItems = 23;
    h.rootOffset = kNtxPageSize;
    h.keyExpression = "SSN";
    encodeNtxHeader(h, b.data());
    for (std::size_t p = 1; p <= pages; ++p) {
        const std::size_t at = p * kNtxPageSize;
        putLE16(b, at + 2, kFirstItem);
        if (p < pages) putLE32(b, at + kFirstItem, static_cast<std::uint32_t>(at + kNtxPageSize));
    }
    return b;
}

struct DamageCase {
    const char* what;
    std::function<void(Bytes&)> damage;
    const char* mentions;  // part of the message beside the file name
};

const std::vector<DamageCase>& damageCases() {
    static const std::vector<DamageCase> cases = {
        {"shorter than a header", [](Bytes& b) { b.resize(700); }, "shorter than its header"},
        {"cut before the root", [](Bytes& b) { b.resize(5 * kNtxPageSize); }, "root page"},
        {"cut inside the root", [](Bytes& b) { b.resize(kRoot + 500); }, "root page"},
        {"signature", [](Bytes& b) { putLE16(b, 0, 0x4242); }, "signature"},
        {"key length 0", [](Bytes& b) { putLE16(b, 14, 0); }, "key length 0"},
        {"key length 300", [](Bytes& b) { putLE16(b, 14, 300); }, "key length 300"},
        {"item size", [](Bytes& b) { putLE16(b, 12, 20); }, "item size 20"},
        {"max items too large", [](Bytes& b) { putLE16(b, 18, 48); }, "cannot fit"},
        {"max items 0", [](Bytes& b) { putLE16(b, 18, 0); }, "cannot fit"},
        {"root not aligned", [](Bytes& b) { putLE32(b, 4, kRoot + 1); }, "root page offset"},
        {"root is the header", [](Bytes& b) { putLE32(b, 4, 0); }, "root page offset"},
        {"expression unterminated",
         [](Bytes& b) { std::fill(b.begin() + 22, b.begin() + 278, 'X'); }, "not terminated"},
        {"child outside the file", [](Bytes& b) { putLE32(b, kRoot + kFirstItem, 0x100000); },
         "page at offset 9216: child page offset 1048576"},
        {"child at the end of the file",
         [](Bytes& b) { putLE32(b, kRoot + kFirstItem, 10 * kNtxPageSize); },
         "page at offset 9216: child page offset 10240"},
        {"child not aligned", [](Bytes& b) { putLE32(b, kRoot + kFirstItem, 0x401); },
         "page at offset 9216: child page offset 1025"},
        {"loop to the root", [](Bytes& b) { putLE32(b, kRoot + kFirstItem, kRoot); },
         "page at offset 9216: the page is reached twice"},
        {"two parents", [](Bytes& b) { putLE32(b, kRoot + kFirstItem + kItemSize, kLeaf); },
         "page at offset 1024: the page is reached twice"},
        {"huge count", [](Bytes& b) { putLE16(b, kRoot, 0xFFFF); },
         "page at offset 9216: key count 65535"},
        {"count one over", [](Bytes& b) { putLE16(b, kLeaf, 47); }, "key count 47"},
        {"item past the page", [](Bytes& b) { putLE16(b, kRoot + 2, 1020); },
         "page at offset 9216: item 0 at 1020"},
        {"item over the slots", [](Bytes& b) { putLE16(b, kLeaf + 4, 10); },
         "page at offset 1024: item 1 at 10"},
        {"record number 0", [](Bytes& b) { putLE32(b, kLeaf + kFirstItem + 4, 0); },
         "page at offset 1024: record number 0"},
        {"keys out of order", [](Bytes& b) { b[kLeaf + kFirstItem + kItemSize + 8] = '9'; },
         "page at offset 1024: keys out of order"},
        {"deeper than 32 levels", [](Bytes& b) { b = deepChain(40); }, "too deep"},
    };
    return cases;
}

const Bytes& fixtureBytes() {
    static const Bytes bytes = readBytes(kFixtures / "zolt/DELVTP1/SSN.NTX");
    return bytes;
}

void PrintTo(const DamageCase& c, std::ostream* out) {
    *out << c.what;
}

class NtxDamageTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(NtxDamageTest, IsRefusedWithAnErrorNamingTheFile) {
    Bytes bytes = fixtureBytes();
    ASSERT_EQ(bytes.size(), 10 * kNtxPageSize);
    GetParam().damage(bytes);
    const std::string name = "C:\\DELV\\DELVTP1\\SSN.NTX";
    try {
        readNtx(MemoryByteSource(name, bytes));
        FAIL() << "read without complaint";
    } catch (const EXbaseError& e) {
        EXPECT_EQ(e.code(), XbaseErrorCode::BadIndex);
        const std::string text = e.what();
        EXPECT_NE(text.find(name), std::string::npos) << text;
        EXPECT_NE(text.find(GetParam().mentions), std::string::npos) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, NtxDamageTest, ::testing::ValuesIn(damageCases()),
                         [](const ::testing::TestParamInfo<DamageCase>& info) {
                             std::string name = info.param.what;
                             std::replace_if(
                                 name.begin(), name.end(), [](char c) { return !std::isalnum(c); },
                                 '_');
                             return name;
                         });

TEST(NtxDamage, AFileOnDiskIsNamedByItsPath) {
    TempDirectory dir;
    const fs::path path = dir.path() / "CUT.NTX";
    Bytes bytes = fixtureBytes();
    bytes.resize(3000);
    writeBytes(path, bytes);
    try {
        readNtxFile(path);
        FAIL() << "read without complaint";
    } catch (const EXbaseError& e) {
        EXPECT_EQ(e.code(), XbaseErrorCode::BadIndex);
        EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos) << e.what();
    }
}

TEST(NtxReader, AcceptsAnEmptyIndexAndTheOlderSignature) {
    Bytes bytes = deepChain(1);
    putLE16(bytes, 0, kNtxOldSignature);
    const NtxContents contents = readNtx(MemoryByteSource("EMPTY.NTX", bytes));
    EXPECT_TRUE(contents.keys.empty());
    EXPECT_EQ(contents.header.keyExpression, "SSN");
}

// A file updated in place may keep equal keys in the order they were added;
// the reader still gives them in record-number order.
TEST(NtxEqualKeys, ComeInRecordNumberOrderWhateverTheirOrderInThePage) {
    Bytes bytes = fixtureBytes();
    const std::size_t first = kLeaf + kFirstItem, second = first + kItemSize;
    ASSERT_GE(bytes.size(), second + kItemSize);
    std::copy(bytes.begin() + first + 8, bytes.begin() + first + kItemSize,
              bytes.begin() + second + 8);
    putLE32(bytes, first + 4, 9999);
    putLE32(bytes, second + 4, 5);
    NtxContents contents = readNtx(MemoryByteSource("SSN.NTX", bytes));
    const KeyIndex& keys = contents.keys;
    ASSERT_TRUE(keys.isSorted());
    std::size_t pos = 0;
    while (pos < keys.size() && keys.recnoAt(pos) != 5) ++pos;
    ASSERT_LT(pos + 1, keys.size());
    EXPECT_EQ(keys.keyAt(pos), keys.keyAt(pos + 1));
    EXPECT_EQ(keys.recnoAt(pos + 1), 9999u);
}

}  // namespace
}  // namespace marklift
