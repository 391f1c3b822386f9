// A tag's keys as the .cdx writer is handed them: made for the writing and
// owned here, in memory or sorted in runs, or borrowed from an order that
// keeps them in memory anyway.
#pragma once

#include <cstddef>
#include <cstdint>
#include <variant>

#include "tables/key_index.h"
#include "tables/key_runs.h"

namespace marklift {

class TagKeys {
public:
    TagKeys(KeyIndex&& owned) : keys_(std::move(owned)) {}
    TagKeys(KeyRuns&& runs) : keys_(std::move(runs)) {}
    static TagKeys borrow(const KeyIndex& keys) { return TagKeys(&keys); }

    std::size_t keyLength() const;
    std::uint32_t maxRecno() const;
    // Every entry, in key and record-number order.
    void forEach(const KeyVisitor& visit) const;

private:
    explicit TagKeys(const KeyIndex* borrowed) : keys_(borrowed) {}
    const KeyIndex* inMemory() const;

    std::variant<KeyIndex, const KeyIndex*, KeyRuns> keys_;
};

}  // namespace marklift
