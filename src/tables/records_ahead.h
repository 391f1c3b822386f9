// Records read ahead of their use. A caller about to visit many records in an
// order of its own (an export in index order) has them read first, in file
// order and in one sweep, and kept in the order it will visit them: visiting
// them then reads nothing, and walks memory from one record to the next,
// where each visit would otherwise read a whole block of a table larger than
// the record cache.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace marklift {

class RecordsAhead {
public:
    // Makes room for the records of `visits`, in the order they will be
    // visited, in place of those held; each is held once its bytes are
    // stored.
    void reset(std::span<const std::uint32_t> visits, std::uint32_t recordLength);
    // The record numbers to read, in file order, each once.
    const std::vector<std::uint32_t>& wanted() const { return wanted_; }
    // Stores the bytes of wanted()[i] for every visit of that record.
    void store(std::size_t i, const char* bytes);

    // The record's bytes, or nullptr when it is not held.
    const char* find(std::uint32_t recno) const;
    bool empty() const { return visits_.empty(); }
    // Lets go of every record and of the memory they took.
    void clear();

private:
    const char* heldAt(std::size_t visit) const;

    std::vector<std::uint32_t> visits_;   // record numbers, in the order of the visits
    std::vector<char> bytes_;             // by visit
    std::vector<bool> stored_;            // by visit
    std::vector<std::uint32_t> byRecno_;  // visits in record-number order
    std::vector<std::uint32_t> wanted_;
    std::vector<std::uint32_t> wantedFrom_;  // where wanted_[i]'s visits begin in byRecno_
    std::uint32_t recordLength_ = 0;
    mutable std::size_t last_ = 0;  // the visit last found: the next is likely after it
};

}  // namespace marklift
