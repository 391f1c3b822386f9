#include "tables/records_ahead.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace marklift {

void RecordsAhead::reset(std::span<const std::uint32_t> visits, std::uint32_t recordLength) {
    visits_.assign(visits.begin(), visits.end());
    recordLength_ = recordLength;
    last_ = 0;
    bytes_.resize(visits_.size() * recordLength_);
    stored_.assign(visits_.size(), false);
    byRecno_.resize(visits_.size());
    std::iota(byRecno_.begin(), byRecno_.end(), 0u);
    std::stable_sort(byRecno_.begin(), byRecno_.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return visits_[a] < visits_[b]; });
    wanted_.clear();
    wantedFrom_.clear();
    for (std::size_t i = 0; i < byRecno_.size(); ++i) {
        const std::uint32_t recno = visits_[byRecno_[i]];
        if (wanted_.empty() || wanted_.back() != recno) {
            wanted_.push_back(recno);
            wantedFrom_.push_back(static_cast<std::uint32_t>(i));
        }
    }
}

void RecordsAhead::store(std::size_t i, const char* bytes) {
    const std::size_t end = i + 1 < wantedFrom_.size() ? wantedFrom_[i + 1] : byRecno_.size();
    for (std::size_t k = wantedFrom_[i]; k < end; ++k) {
        std::memcpy(bytes_.data() + std::size_t{byRecno_[k]} * recordLength_, bytes, recordLength_);
        stored_[byRecno_[k]] = true;
    }
}

const char* RecordsAhead::heldAt(std::size_t visit) const {
    last_ = visit;
    return stored_[visit] ? bytes_.data() + visit * recordLength_ : nullptr;
}

const char* RecordsAhead::find(std::uint32_t recno) const {
    // Moving to a record reads it more than once, and visits come in order.
    for (std::size_t visit : {last_, last_ + 1})
        if (visit < visits_.size() && visits_[visit] == recno) return heldAt(visit);
    const auto at = std::lower_bound(byRecno_.begin(), byRecno_.end(), recno,
                                     [&](std::uint32_t visit, std::uint32_t wantedRecno) {
                                         return visits_[visit] < wantedRecno;
                                     });
    if (at == byRecno_.end() || visits_[*at] != recno) return nullptr;
    return heldAt(*at);
}

void RecordsAhead::clear() {
    // Swapped with empty ones: assigning {} would keep the memory.
    std::vector<std::uint32_t>().swap(visits_);
    std::vector<char>().swap(bytes_);
    std::vector<bool>().swap(stored_);
    std::vector<std::uint32_t>().swap(byRecno_);
    std::vector<std::uint32_t>().swap(wanted_);
    std::vector<std::uint32_t>().swap(wantedFrom_);
}

}  // namespace marklift
