// KeyIndex's sort and insert against a plain sort of (key, record number)
// pairs: keys shorter and longer than the eight bytes sorted as a number,
// many equal keys, bytes above 0x7F, entries added out of record order.
#include "tables/key_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace marklift {
namespace {

using Entry = std::pair<std::string, std::uint32_t>;

std::vector<Entry> entriesOf(const KeyIndex& keys) {
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < keys.size(); ++i)
        entries.emplace_back(std::string(keys.keyAt(i)), keys.recnoAt(i));
    return entries;
}

struct SortCase {
    std::size_t keyLength;
    std::string letters;  // what keys are made of: few letters, many equal keys
    bool inRecordOrder;
    std::uint32_t count = 5000;  // above 128 Ki, sorted in parts on several threads
};

class KeyIndexSort : public ::testing::TestWithParam<SortCase> {};

TEST_P(KeyIndexSort, OrdersByKeyThenRecordNumber) {
    const SortCase& c = GetParam();
    std::mt19937 random(static_cast<unsigned>(c.keyLength * 31 + c.letters.size()));
    std::vector<Entry> expected;
    for (std::uint32_t n = 1; n <= c.count; ++n) {
        std::string key;
        // Keys that differ only in their last bytes, past the first eight.
        const std::size_t varied =
            random() % 2 ? c.keyLength : std::min<std::size_t>(c.keyLength, 2);
        for (std::size_t i = 0; i < c.keyLength; ++i)
            key += i < varied ? c.letters[random() % c.letters.size()] : ' ';
        if (random() % 3 == 0) std::reverse(key.begin(), key.end());
        expected.emplace_back(key, n);
    }
    std::vector<Entry> added = expected;
    if (!c.inRecordOrder) std::shuffle(added.begin(), added.end(), random);
    KeyIndex keys(c.keyLength);
    for (const Entry& entry : added) keys.add(entry.first, entry.second);
    keys.sort();
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entriesOf(keys), expected);
    EXPECT_TRUE(keys.isSorted());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyIndexSort,
    ::testing::Values(SortCase{1, "AB", true}, SortCase{4, "RDWMA ", true},
                      SortCase{8, "\x01\x80\xff", true}, SortCase{8, "0123456789", false},
                      SortCase{9, "AB", true}, SortCase{11, "0123456789-", true},
                      SortCase{13, "SMITHJONES ", false}, SortCase{20, "\xfe\x7f", true},
                      SortCase{11, "0123456789-", true, 300000},
                      SortCase{4, "\x81RD ", false, 300000}));

TEST(KeyIndexSort, EmptyAndSingleEntries) {
    KeyIndex none(11);
    none.sort();
    EXPECT_TRUE(none.empty());
    KeyIndex one(3);
    one.add("ZZ", 7);
    one.sort();
    EXPECT_EQ(entriesOf(one), (std::vector<Entry>{{"ZZ ", 7}}));
}

// Inserting keeps the order whether the entry goes last, as appends in key
// order do, or anywhere before.
TEST(KeyIndexInsert, KeepsTheOrderAtTheEndAndInBetween) {
    KeyIndex keys(3);
    std::vector<Entry> expected;
    std::mt19937 random(9);
    for (std::uint32_t n = 1; n <= 400; ++n) {
        // Mostly rising, as an export appends, now and then lower.
        std::string key = std::to_string(100 + (n % 7 == 0 ? random() % 900 : n));
        keys.insert(key, n);
        expected.emplace_back(key, n);
    }
    keys.insert("500", 0);
    expected.emplace_back("500", 0);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entriesOf(keys), expected);
}

}  // namespace
}  // namespace marklift
