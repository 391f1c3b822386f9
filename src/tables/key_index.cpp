#include "tables/key_index.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace marklift {

void KeyIndex::reserve(std::size_t count) {
    keys_.reserve(count * keyLength_);
    recnos_.reserve(count);
}

std::string_view KeyIndex::normalise(std::string_view key, char pad, std::string& storage) const {
    if (key.size() == keyLength_) return key;
    storage.assign(key.substr(0, keyLength_));
    storage.resize(keyLength_, pad);
    return storage;
}

void KeyIndex::add(std::string_view key, std::uint32_t recno) {
    std::string_view k = key.substr(0, keyLength_);
    keys_.insert(keys_.end(), k.begin(), k.end());
    keys_.resize(keys_.size() + (keyLength_ - k.size()), ' ');
    recnos_.push_back(recno);
}

void KeyIndex::sort() {
    const std::size_t n = recnos_.size();
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    const char* base = keys_.data();
    const std::size_t len = keyLength_;
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        int c = len ? std::memcmp(base + a * len, base + b * len, len) : 0;
        return c != 0 ? c < 0 : recnos_[a] < recnos_[b];
    });
    std::vector<char> keys(keys_.size());
    std::vector<std::uint32_t> recnos(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (len) std::memcpy(keys.data() + i * len, base + order[i] * len, len);
        recnos[i] = recnos_[order[i]];
    }
    keys_.swap(keys);
    recnos_.swap(recnos);
}

int KeyIndex::compareAt(std::size_t pos, std::string_view key) const {
    return keyLength_ ? std::memcmp(keys_.data() + pos * keyLength_, key.data(), keyLength_) : 0;
}

std::size_t KeyIndex::lowerBoundEntry(std::string_view key, std::uint32_t recno) const {
    std::size_t lo = 0, hi = recnos_.size();
    while (lo < hi) {
        std::size_t mid = lo + (hi - lo) / 2;
        int c = compareAt(mid, key);
        if (c < 0 || (c == 0 && recnos_[mid] < recno)) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

void KeyIndex::insert(std::string_view key, std::uint32_t recno) {
    std::string storage;
    std::string_view k = normalise(key, ' ', storage);
    std::size_t pos = lowerBoundEntry(k, recno);
    keys_.insert(keys_.begin() + static_cast<std::ptrdiff_t>(pos * keyLength_), k.begin(), k.end());
    recnos_.insert(recnos_.begin() + static_cast<std::ptrdiff_t>(pos), recno);
}

bool KeyIndex::erase(std::string_view key, std::uint32_t recno) {
    std::size_t pos = find(key, recno);
    if (pos == size()) return false;
    auto at = keys_.begin() + static_cast<std::ptrdiff_t>(pos * keyLength_);
    keys_.erase(at, at + static_cast<std::ptrdiff_t>(keyLength_));
    recnos_.erase(recnos_.begin() + static_cast<std::ptrdiff_t>(pos));
    return true;
}

std::size_t KeyIndex::lowerBound(std::string_view key, char pad) const {
    std::string storage;
    return lowerBoundEntry(normalise(key, pad, storage), 0);
}

std::size_t KeyIndex::find(std::string_view key, std::uint32_t recno) const {
    std::string storage;
    std::string_view k = normalise(key, ' ', storage);
    std::size_t pos = lowerBoundEntry(k, recno);
    if (pos < size() && recnos_[pos] == recno && compareAt(pos, k) == 0) return pos;
    return size();
}

bool KeyIndex::isSorted() const {
    for (std::size_t i = 1; i < size(); ++i) {
        int c = std::memcmp(keys_.data() + (i - 1) * keyLength_, keys_.data() + i * keyLength_,
                            keyLength_);
        if (c > 0 || (c == 0 && recnos_[i - 1] > recnos_[i])) return false;
    }
    return true;
}

void KeyIndex::clear() {
    keys_.clear();
    recnos_.clear();
}

}  // namespace marklift
