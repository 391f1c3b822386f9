// The record cache over an in-memory file that counts its reads and writes:
// what is read when, what is written back when, and in how many writes.
#include "tables/record_cache.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace marklift {
namespace {

constexpr std::uint32_t kLength = 4;
// Four records a block.
constexpr std::size_t kBlock = 4 * kLength;

// Record n holds "r" and n in three digits until written.
class MemoryFile : public RecordCache::Backing {
public:
    explicit MemoryFile(std::uint32_t records) { grow(records); }

    void grow(std::uint32_t records) {
        for (std::uint32_t n = count() + 1; n <= records; ++n) {
            std::string text = "r" + std::to_string(1000 + n).substr(1);
            bytes.insert(bytes.end(), text.begin(), text.end());
        }
    }
    std::uint32_t count() const { return static_cast<std::uint32_t>(bytes.size() / kLength); }
    std::string at(std::uint32_t recno) const {
        return {bytes.begin() + (recno - 1) * kLength, bytes.begin() + recno * kLength};
    }

    void readRecords(std::uint32_t first, std::uint32_t n, char* into) override {
        if (failReads) throw std::runtime_error("read failed");
        reads.emplace_back(first, n);
        std::copy(bytes.begin() + (first - 1) * kLength, bytes.begin() + (first - 1 + n) * kLength,
                  into);
    }
    void writeRecords(std::uint32_t first, std::uint32_t n, const char* from) override {
        writes.emplace_back(first, n);
        std::copy(from, from + n * kLength, bytes.begin() + (first - 1) * kLength);
    }

    std::vector<char> bytes;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> reads, writes;  // first, count
    bool failReads = false;
};

using Runs = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

std::string text(const char* record) {
    return {record, kLength};
}

TEST(RecordCache, ReadsEachBlockOnceWhileItFits) {
    MemoryFile file(10);
    RecordCache cache(file, kLength, kBlock, 3 * kBlock);
    for (std::uint32_t n : {6u, 5u, 1u, 10u, 8u, 2u, 9u, 7u})
        EXPECT_EQ(text(cache.read(n, 10)), file.at(n)) << n;
    // The last block is short: records 9 and 10 only.
    EXPECT_EQ(file.reads, (Runs{{5, 4}, {1, 4}, {9, 2}}));
}

TEST(RecordCache, GivesUpTheLeastRecentlyUsedBlock) {
    MemoryFile file(12);
    RecordCache cache(file, kLength, kBlock, 2 * kBlock);
    cache.read(1, 12);
    cache.read(5, 12);
    cache.read(2, 12);  // block 1 is now the more recent
    cache.read(9, 12);  // gives up block 2
    cache.read(3, 12);
    EXPECT_EQ(file.reads, (Runs{{1, 4}, {5, 4}, {9, 4}}));
    cache.read(6, 12);
    EXPECT_EQ(file.reads.back(), (std::pair<std::uint32_t, std::uint32_t>{5, 4}));
}

TEST(RecordCache, AForwardScanRecyclesItsOwnBlocksAndKeepsTheOthers) {
    MemoryFile file(24);
    RecordCache cache(file, kLength, kBlock, 3 * kBlock);
    cache.read(21, 24);  // held for a reader elsewhere in the file
    for (std::uint32_t n = 1; n <= 20; ++n) EXPECT_EQ(text(cache.read(n, 24)), file.at(n)) << n;
    cache.read(22, 24);
    // Plain least-recently-used would have given up block 6 to the scan.
    EXPECT_EQ(file.reads, (Runs{{21, 4}, {1, 4}, {5, 4}, {9, 4}, {13, 4}, {17, 4}}));
    // The block just behind the scan stays for a look back.
    cache.read(16, 24);
    EXPECT_EQ(file.reads.size(), 6u);
}

TEST(RecordCache, WritesBackOnlyChangedRecordsInRuns) {
    MemoryFile file(12);
    RecordCache cache(file, kLength, kBlock, 4 * kBlock);
    for (std::uint32_t n : {2u, 3u, 4u, 5u, 7u, 12u}) cache.write(n, 12, "wxyz");
    cache.modify(11, 12)[0] = '*';
    EXPECT_TRUE(file.writes.empty());
    EXPECT_EQ(file.at(3), "r003");
    cache.writeBack();
    // One write per run within a block, in file order.
    EXPECT_EQ(file.writes, (Runs{{2, 3}, {5, 1}, {7, 1}, {11, 2}}));
    EXPECT_EQ(file.at(1), "r001");
    EXPECT_EQ(file.at(4), "wxyz");
    EXPECT_EQ(file.at(6), "r006");
    EXPECT_EQ(file.at(11), "*011");
    EXPECT_EQ(file.at(12), "wxyz");
    cache.writeBack();
    EXPECT_EQ(file.writes.size(), 4u);
    // The blocks stay: reading needs no file access.
    EXPECT_EQ(text(cache.read(4, 12)), "wxyz");
    EXPECT_EQ(file.reads.size(), 3u);
}

TEST(RecordCache, WritesAChangedBlockBackWhenGivingItUp) {
    MemoryFile file(12);
    RecordCache cache(file, kLength, kBlock, 1 * kBlock);
    cache.write(2, 12, "abcd");
    cache.read(3, 12);
    EXPECT_TRUE(file.writes.empty());
    EXPECT_EQ(text(cache.read(5, 12)), "r005");
    EXPECT_EQ(file.writes, (Runs{{2, 1}}));
    EXPECT_EQ(file.at(2), "abcd");
    EXPECT_EQ(text(cache.read(2, 12)), "abcd");
    cache.writeBack();
    EXPECT_EQ(file.writes.size(), 1u);
}

TEST(RecordCache, WriteFromARecordOfABlockAboutToBeGivenUp) {
    MemoryFile file(12);
    RecordCache cache(file, kLength, kBlock, 1 * kBlock);
    cache.write(10, 12, cache.read(1, 12));
    EXPECT_EQ(text(cache.read(10, 12)), "r001");
    cache.write(3, 12, cache.read(10, 12));
    cache.writeBack();
    EXPECT_EQ(file.at(3), "r001");
    EXPECT_EQ(file.at(10), "r001");
}

// Records appended to the file after its short last block was read.
TEST(RecordCache, ReadsAShortLastBlockAgainOnceTheFileGrew) {
    MemoryFile file(6);
    RecordCache cache(file, kLength, kBlock, 4 * kBlock);
    EXPECT_EQ(text(cache.read(6, 6)), "r006");
    cache.write(5, 6, "five");
    file.grow(8);
    EXPECT_EQ(text(cache.read(8, 8)), "r008");
    EXPECT_EQ(file.at(5), "five");
    EXPECT_EQ(text(cache.read(5, 8)), "five");
    EXPECT_EQ(file.reads, (Runs{{5, 2}, {5, 4}}));
}

TEST(RecordCache, AFailedReadLeavesNoBlockBehind) {
    MemoryFile file(8);
    RecordCache cache(file, kLength, kBlock, 1 * kBlock);
    cache.write(1, 8, "abcd");
    file.failReads = true;
    EXPECT_THROW(cache.read(5, 8), std::runtime_error);
    // The changed block was written back before its place was taken.
    EXPECT_EQ(file.at(1), "abcd");
    file.failReads = false;
    EXPECT_EQ(text(cache.read(5, 8)), "r005");
    EXPECT_EQ(text(cache.read(1, 8)), "abcd");
}

TEST(RecordCache, ClearForgetsEveryBlock) {
    MemoryFile file(8);
    RecordCache cache(file, kLength, kBlock, 2 * kBlock);
    cache.read(1, 8);
    cache.read(5, 8);
    file.bytes.assign(8 * kLength, '-');
    EXPECT_EQ(text(cache.read(1, 8)), "r001");
    cache.clear();
    EXPECT_EQ(text(cache.read(1, 8)), "----");
    EXPECT_EQ(text(cache.read(8, 8)), "----");
}

}  // namespace
}  // namespace marklift
