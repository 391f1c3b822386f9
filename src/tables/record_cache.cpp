#include "tables/record_cache.h"

#include <algorithm>
#include <cstring>

namespace marklift {

RecordCache::RecordCache(Backing& backing, std::uint32_t recordLength, std::size_t blockBytes,
                         std::size_t capacityBytes)
    : backing_(backing),
      recordLength_(recordLength),
      perBlock_(static_cast<std::uint32_t>(std::max<std::size_t>(blockBytes / recordLength, 1))),
      maxBlocks_(
          std::max<std::size_t>(capacityBytes / (std::size_t{perBlock_} * recordLength), 1)) {
    scratch_.resize(recordLength);
}

const char* RecordCache::read(std::uint32_t recno, std::uint32_t records) {
    return recordIn(blockOf(recno, records), recno);
}

char* RecordCache::modify(std::uint32_t recno, std::uint32_t records) {
    Block& block = blockOf(recno, records);
    block.changed[(recno - 1) % perBlock_] = true;
    block.dirty = true;
    return recordIn(block, recno);
}

void RecordCache::write(std::uint32_t recno, std::uint32_t records, const char* bytes) {
    // Reading the record's block may give up the block `bytes` points into.
    if (!holds(recno)) {
        std::memcpy(scratch_.data(), bytes, recordLength_);
        bytes = scratch_.data();
    }
    std::memmove(modify(recno, records), bytes, recordLength_);
}

const char* RecordCache::peek(std::uint32_t recno) const {
    if (!holds(recno)) return nullptr;
    const Block& block = blocks_[slotOf_[(recno - 1) / perBlock_]];
    return block.bytes.get() + std::size_t{(recno - 1) % perBlock_} * recordLength_;
}

bool RecordCache::holds(std::uint32_t recno) const {
    const std::uint32_t index = (recno - 1) / perBlock_;
    if (index >= slotOf_.size() || slotOf_[index] == kNoBlock) return false;
    return (recno - 1) % perBlock_ < blocks_[slotOf_[index]].count;
}

RecordCache::Block& RecordCache::blockOf(std::uint32_t recno, std::uint32_t records) {
    const std::uint32_t index = (recno - 1) / perBlock_;
    const std::uint32_t at = (recno - 1) % perBlock_;
    Block* block = nullptr;
    if (lastSlot_ < blocks_.size() && blocks_[lastSlot_].index == index) {
        block = &blocks_[lastSlot_];
    } else if (index < slotOf_.size() && slotOf_[index] != kNoBlock) {
        block = &blocks_[slotOf_[index]];
    }
    // A short last block is read again once appends have reached the file.
    if (!block || at >= block->count) block = &load(index, records);
    lastSlot_ = static_cast<std::size_t>(block - blocks_.data());
    touch(lastSlot_);
    return *block;
}

void RecordCache::unlink(std::size_t slot) {
    Block& block = blocks_[slot];
    (block.newer == kNoSlot ? newest_ : blocks_[block.newer].older) = block.older;
    (block.older == kNoSlot ? oldest_ : blocks_[block.older].newer) = block.newer;
    block.newer = block.older = kNoSlot;
}

void RecordCache::touch(std::size_t slot) {
    if (slot == newest_) return;
    unlink(slot);
    Block& block = blocks_[slot];
    block.older = newest_;
    if (newest_ != kNoSlot) blocks_[newest_].newer = slot;
    newest_ = slot;
    if (oldest_ == kNoSlot) oldest_ = slot;
}

RecordCache::Block& RecordCache::load(std::uint32_t index, std::uint32_t records) {
    if (index >= slotOf_.size()) slotOf_.resize(std::size_t{index} + 1, kNoBlock);
    Block* block = nullptr;
    if (slotOf_[index] != kNoBlock) {
        block = &blocks_[slotOf_[index]];
        writeBack(*block);
    } else {
        block = &freeBlock(index);
    }
    const std::uint32_t first = index * perBlock_ + 1;
    const std::uint32_t count = std::min(perBlock_, records - first + 1);
    // Unused until the read succeeds.
    if (block->index != kNoBlock) slotOf_[block->index] = kNoBlock;
    block->index = kNoBlock;
    // Room for a whole block even when fewer records are there yet: a short
    // last block read again as the table grows keeps its memory.
    if (block->capacity < std::size_t{count} * recordLength_) {
        block->capacity = std::size_t{perBlock_} * recordLength_;
        block->bytes = std::make_unique_for_overwrite<char[]>(block->capacity);
    }
    backing_.readRecords(first, count, block->bytes.get());
    block->changed.assign(count, false);
    block->count = count;
    block->index = index;
    slotOf_[index] = static_cast<std::uint32_t>(block - blocks_.data());
    return *block;
}

// An unused block, a new one while under the cap, else the least recently
// used one, its changes written back first. A forward scan instead recycles
// the unchanged block two behind it: the scan will not come back to it, the
// blocks held for other readers stay, and the scan streams through a few
// buffers that stay in the processor's cache rather than touching the whole
// cap (on a virtual machine each first touch of a page costs more than
// reading it). Changed blocks are left to the usual order, so that changes
// still reach the file together.
RecordCache::Block& RecordCache::freeBlock(std::uint32_t forIndex) {
    const bool scanningForward =
        lastSlot_ < blocks_.size() && forIndex >= 2 && blocks_[lastSlot_].index == forIndex - 1;
    if (scanningForward && forIndex - 2 < slotOf_.size() && slotOf_[forIndex - 2] != kNoBlock) {
        Block& behind = blocks_[slotOf_[forIndex - 2]];
        if (!behind.dirty) return behind;
    }
    // Unused blocks sit at the least recently used end.
    if (oldest_ != kNoSlot && blocks_[oldest_].index == kNoBlock) return blocks_[oldest_];
    if (blocks_.size() < maxBlocks_) {
        const std::size_t slot = blocks_.size();
        Block& block = blocks_.emplace_back();
        block.newer = oldest_;
        if (oldest_ != kNoSlot) blocks_[oldest_].older = slot;
        oldest_ = slot;
        if (newest_ == kNoSlot) newest_ = slot;
        return block;
    }
    Block& victim = blocks_[oldest_];
    writeBack(victim);
    return victim;
}

void RecordCache::writeBack(Block& block) {
    if (!block.dirty) return;
    const std::uint32_t first = block.index * perBlock_ + 1;
    for (std::uint32_t at = 0; at < block.count;) {
        if (!block.changed[at]) {
            ++at;
            continue;
        }
        std::uint32_t end = at;
        while (end < block.count && block.changed[end]) ++end;
        backing_.writeRecords(first + at, end - at,
                              block.bytes.get() + std::size_t{at} * recordLength_);
        std::fill(block.changed.begin() + at, block.changed.begin() + end, false);
        at = end;
    }
    block.dirty = false;
}

void RecordCache::writeBack() {
    // In file order, so the writes go out the way a sequential writer's would.
    for (std::uint32_t slot : slotOf_)
        if (slot != kNoBlock) writeBack(blocks_[slot]);
}

void RecordCache::clear() {
    // Every block unused, so their order of use no longer matters.
    for (Block& block : blocks_) {
        block.index = kNoBlock;
        block.dirty = false;
    }
    std::fill(slotOf_.begin(), slotOf_.end(), kNoBlock);
}

}  // namespace marklift
