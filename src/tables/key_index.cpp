#include "tables/key_index.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <utility>

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

namespace {

// The first eight bytes of a key as a number whose order is the bytes'
// order (a shorter key padded with zeros, which every key of the index has
// alike).
std::uint64_t prefixOf(const char* key, std::size_t length) {
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 8; ++i)
        prefix = prefix << 8 | (i < length ? static_cast<unsigned char>(key[i]) : 0u);
    return prefix;
}

// Sorts `prefixes` and `entries` alike by prefix, stably: one counting pass
// per byte, from the last to the first, skipping bytes that every prefix
// shares (most of a short key's, many of a text's).
void radixSortByPrefix(std::vector<std::uint64_t>& prefixes, std::vector<std::uint32_t>& entries) {
    const std::size_t n = prefixes.size();
    std::vector<std::array<std::uint32_t, 256>> counts(8);
    for (auto& byteCounts : counts) byteCounts.fill(0);
    for (std::uint64_t prefix : prefixes)
        for (std::size_t byte = 0; byte < 8; ++byte) ++counts[byte][prefix >> 8 * byte & 0xFF];
    std::vector<std::uint64_t> sortedPrefixes(n);
    std::vector<std::uint32_t> sortedEntries(n);
    for (std::size_t byte = 0; byte < 8; ++byte) {
        std::array<std::uint32_t, 256>& starts = counts[byte];
        if (std::find(starts.begin(), starts.end(), n) != starts.end()) continue;
        std::uint32_t start = 0;
        for (std::uint32_t& count : starts) start += std::exchange(count, start);
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t to = starts[prefixes[i] >> 8 * byte & 0xFF]++;
            sortedPrefixes[to] = prefixes[i];
            sortedEntries[to] = entries[i];
        }
        prefixes.swap(sortedPrefixes);
        entries.swap(sortedEntries);
    }
}

}  // namespace

// A radix sort on the keys' first eight bytes, then a sort by the remaining
// bytes among keys that share those. Both are stable, and the entries start
// in record-number order, so equal keys end in record-number order.
void KeyIndex::sort() {
    const std::size_t n = recnos_.size();
    const std::size_t len = keyLength_;
    const char* base = keys_.data();
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    if (!std::is_sorted(recnos_.begin(), recnos_.end()))
        std::stable_sort(order.begin(), order.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return recnos_[a] < recnos_[b]; });
    {
        std::vector<std::uint64_t> prefixes(n);
        for (std::size_t i = 0; i < n; ++i) prefixes[i] = prefixOf(base + order[i] * len, len);
        radixSortByPrefix(prefixes, order);
        if (len > 8) {
            auto byRest = [&](std::uint32_t a, std::uint32_t b) {
                return std::memcmp(base + a * len + 8, base + b * len + 8, len - 8) < 0;
            };
            for (std::size_t first = 0; first < n;) {
                std::size_t end = first + 1;
                while (end < n && prefixes[end] == prefixes[first]) ++end;
                if (end - first > 1 &&
                    !std::is_sorted(order.begin() + first, order.begin() + end, byRest))
                    std::stable_sort(order.begin() + first, order.begin() + end, byRest);
                first = end;
            }
        }
    }
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
    // Records appended in key order, as an export appends them, go at the
    // end without a search.
    const bool last = empty() || [&] {
        const int c = compareAt(size() - 1, k);
        return c < 0 || (c == 0 && recnos_.back() < recno);
    }();
    std::size_t pos = last ? size() : lowerBoundEntry(k, recno);
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
