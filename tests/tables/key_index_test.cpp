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

// Searches give the same positions however often an index is searched
// (after a while it searches by number first) and after it changes.
TEST(KeyIndexSearch, FindsTheSamePlacesWhenSearchedOftenAndAfterAChange) {
    KeyIndex keys(11);
    std::vector<std::string> texts;
    for (std::uint32_t n = 1; n <= 3000; ++n) {
        texts.push_back(std::to_string(100000000 + n % 997 * 7) + (n % 3 ? "AB" : "AC"));
        keys.add(texts.back(), n);
    }
    keys.sort();
    // Shorter keys are compared as if padded with blanks.
    auto expectedLowerBound = [&](std::string key) {
        key.resize(11, ' ');
        std::size_t p = 0;
        while (p < keys.size() && keys.keyAt(p) < std::string_view(key)) ++p;
        return p;
    };
    std::mt19937 random(5);
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 300; ++i) {
            const std::string& text = texts[random() % texts.size()];
            const std::string probes[] = {text, text.substr(0, 9) + "ZZ", text.substr(0, 8), "0",
                                          "999999999ZZ"};
            for (const std::string& probe : probes)
                ASSERT_EQ(keys.lowerBound(probe), expectedLowerBound(probe)) << probe;
            const std::size_t at = keys.lowerBound(text);
            ASSERT_EQ(keys.find(text, keys.recnoAt(at)), at);
        }
        // A change, and the searches start over.
        keys.insert("100000007AB", 5000);
        keys.erase(std::string(keys.keyAt(10)), keys.recnoAt(10));
    }
}

}  // namespace
}  // namespace marklift
