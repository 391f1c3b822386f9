// The records of one data file held in memory a block at a time: a bounded
// set of blocks, the least recently used given up first, that serves random
// reads and collects in-place changes until they are written back in runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace marklift {

class RecordCache {
public:
    // Where blocks are read from and written back to. Records count from 1.
    class Backing {
    public:
        virtual void readRecords(std::uint32_t first, std::uint32_t count, char* into) = 0;
        virtual void writeRecords(std::uint32_t first, std::uint32_t count, const char* from) = 0;

    protected:
        ~Backing() = default;
    };

    // Blocks hold as many whole records as fit in `blockBytes` (at least
    // one); at most `capacityBytes` of them are kept.
    RecordCache(Backing& backing, std::uint32_t recordLength, std::size_t blockBytes,
                std::size_t capacityBytes);
    RecordCache(const RecordCache&) = delete;
    RecordCache& operator=(const RecordCache&) = delete;

    // `records` is how many records the file holds now; `recno` must be one
    // of them. Pointers stay valid until the next call on this object.
    const char* read(std::uint32_t recno, std::uint32_t records);
    // The record to change in place; it is written back later.
    char* modify(std::uint32_t recno, std::uint32_t records);
    // The record when its block is held, else nullptr; reads nothing and
    // leaves the order of use as it was.
    const char* peek(std::uint32_t recno) const;
    // Replaces the record with `bytes`, which may point into this cache.
    void write(std::uint32_t recno, std::uint32_t records, const char* bytes);

    // Writes every changed record back, one write per run of adjacent
    // changed records within a block. The blocks stay cached.
    void writeBack();
    // Forgets every block, changed or not (call writeBack() first).
    void clear();

private:
    static constexpr std::uint32_t kNoBlock = UINT32_MAX;

    static constexpr std::size_t kNoSlot = SIZE_MAX;

    struct Block {
        std::uint32_t index = kNoBlock;  // block number, kNoBlock when unused
        std::uint32_t count = 0;         // records held; the last block may be short
        // Neighbours in the order of use, as positions in blocks_.
        std::size_t newer = kNoSlot;
        std::size_t older = kNoSlot;
        bool dirty = false;
        // Not zeroed when allocated: every byte used is read first.
        std::unique_ptr<char[]> bytes;
        std::size_t capacity = 0;
        std::vector<bool> changed;  // per record
    };

    // The block holding `recno`, read from the file if need be.
    Block& blockOf(std::uint32_t recno, std::uint32_t records);
    bool holds(std::uint32_t recno) const;
    Block& load(std::uint32_t index, std::uint32_t records);
    Block& freeBlock(std::uint32_t forIndex);
    void writeBack(Block& block);
    // Makes the block at `slot` the most recently used.
    void touch(std::size_t slot);
    void unlink(std::size_t slot);
    char* recordIn(Block& block, std::uint32_t recno) {
        return block.bytes.get() + std::size_t{(recno - 1) % perBlock_} * recordLength_;
    }

    Backing& backing_;
    std::uint32_t recordLength_;
    std::uint32_t perBlock_;
    std::size_t maxBlocks_;
    std::vector<Block> blocks_;
    std::vector<std::uint32_t> slotOf_;  // by block number: position in blocks_, or kNoBlock
    std::size_t lastSlot_ = 0;           // most recently used, checked first
    // Both ends of the order of use; a new block starts at the least
    // recently used end, where an unused one is taken first.
    std::size_t newest_ = kNoSlot;
    std::size_t oldest_ = kNoSlot;
    std::vector<char> scratch_;  // one record, for a write whose source may be evicted
};

}  // namespace marklift
