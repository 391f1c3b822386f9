#include "tables/records_ahead.h"

#include <algorithm>

namespace marklift {

void RecordsAhead::reset(std::vector<std::uint32_t> recnos, std::uint32_t recordLength) {
    recnos_ = std::move(recnos);
    recordLength_ = recordLength;
    last_ = 0;
    bytes_.resize(recnos_.size() * recordLength_);
    stored_.assign(recnos_.size(), false);
}

const char* RecordsAhead::find(std::uint32_t recno) const {
    // Moving to a record reads it more than once in a row.
    if (last_ >= recnos_.size() || recnos_[last_] != recno) {
        const auto at = std::lower_bound(recnos_.begin(), recnos_.end(), recno);
        if (at == recnos_.end() || *at != recno) return nullptr;
        last_ = static_cast<std::size_t>(at - recnos_.begin());
    }
    return stored_[last_] ? bytes_.data() + last_ * recordLength_ : nullptr;
}

void RecordsAhead::clear() {
    // Swapped with empty ones: assigning {} would keep the memory.
    std::vector<std::uint32_t>().swap(recnos_);
    std::vector<char>().swap(bytes_);
    std::vector<bool>().swap(stored_);
}

}  // namespace marklift
