#include "tables/tag_keys.h"

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
    return keys ? keys->maxRecno() : std::get<KeyRuns>(keys_).maxRecno();
}

void TagKeys::forEach(const KeyVisitor& visit) const {
    const KeyIndex* keys = inMemory();
    if (keys) return keys->forEach(visit);
    std::get<KeyRuns>(keys_).forEach(visit);
}

}  // namespace marklift
