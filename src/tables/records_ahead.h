// Records read ahead of their use. A caller about to visit many records in an
// order of its own (an export in index order) has them read first, in file
// order and in one sweep; visiting them then reads nothing, where each visit
// would otherwise read a whole block of a table larger than the record cache.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace marklift {

class RecordsAhead {
public:
    // Makes room for the records of `recnos`, sorted without repeats, in
    // place of those held; each is held once its bytes are stored.
    void reset(std::vector<std::uint32_t> recnos, std::uint32_t recordLength);
    const std::vector<std::uint32_t>& recnos() const { return recnos_; }
    // Where the bytes of recnos()[i] go.
    char* slot(std::size_t i) { return bytes_.data() + i * recordLength_; }
    void store(std::size_t i) { stored_[i] = true; }

    // The record's bytes, or nullptr when it is not held.
    const char* find(std::uint32_t recno) const;
    bool empty() const { return recnos_.empty(); }
    // Lets go of every record and of the memory they took.
    void clear();

private:
    std::vector<std::uint32_t> recnos_;
    std::vector<char> bytes_;
    std::vector<bool> stored_;
    std::uint32_t recordLength_ = 0;
    mutable std::size_t last_ = 0;  // where the last record found is
};

}  // namespace marklift
