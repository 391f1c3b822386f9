#include "tables/tag_keys.h"

#include <algorithm>

namespace marklift {

const KeyIndex* TagKeys::inMemory() const {
    if (const auto* owned = std::get_if<KeyIndex>(&keys_)) return owned;
    if (const auto* borrowed = std::get_if<const KeyIndex*>(&keys_)) return *borrowed;
    return nullptr;
}

std::size_t TagKeys::keyLength() const {
    const KeyIndex* keys = inMemory();
    return keys ? keys->keyLength() : std::get<KeyRuns>(keys_).keyLength();
}

std::uint32_t TagKeys::maxRecno() const {
    const KeyIndex* keys = inMemory();
    if (!keys) return std::get<KeyRuns>(keys_).maxRecno();
    std::uint32_t max = 0;
    for (std::size_t i = 0; i < keys->size(); ++i) max = std::max(max, keys->recnoAt(i));
    return max;
}

void TagKeys::forEach(const KeyVisitor& visit) const {
    const KeyIndex* keys = inMemory();
    if (!keys) return std::get<KeyRuns>(keys_).forEach(visit);
    for (std::size_t i = 0; i < keys->size(); ++i) visit(keys->keyAt(i), keys->recnoAt(i));
}

}  // namespace marklift
