#include "tables/key_index.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <utility>

#include "tables/parallel_parts.h"

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
    changed();
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

using DigitCounts = std::array<std::uint32_t, 256>;

// Indexes this large are searched through prefixes once searched this often
// without a change.
constexpr std::size_t kPrefixSearchFrom = 1024;
constexpr std::size_t kSearchesForPrefixes = 64;

unsigned digitOf(std::uint64_t prefix, std::size_t byte) {
    return static_cast<unsigned>(prefix >> 8 * byte & 0xFF);
}

// Sorts `prefixes` and `entries` alike by prefix, stably: one counting pass
// per byte, from the last to the first, skipping bytes that every prefix
// shares (most of a short key's, many of a text's). Each pass counts and
// moves its parts of the range at once, each part's entries to the places
// its counts give them, so the order within a digit stays as it was.
void radixSortByPrefix(std::vector<std::uint64_t>& prefixes, std::vector<std::uint32_t>& entries) {
    const std::size_t n = prefixes.size();
    const std::size_t parts = partsFor(n);
    std::vector<std::array<DigitCounts, 8>> counts(parts);
    runInParts(n, parts, [&](std::size_t part, std::size_t first, std::size_t end) {
        for (DigitCounts& byteCounts : counts[part]) byteCounts.fill(0);
        for (std::size_t i = first; i < end; ++i)
            for (std::size_t byte = 0; byte < 8; ++byte)
                ++counts[part][byte][digitOf(prefixes[i], byte)];
    });
    std::vector<std::uint64_t> sortedPrefixes(n);
    std::vector<std::uint32_t> sortedEntries(n);
    std::vector<DigitCounts> starts(parts);
    bool moved = false;  // the parts' counts were taken before the last pass
    for (std::size_t byte = 0; byte < 8; ++byte) {
        DigitCounts total{};
        for (std::size_t part = 0; part < parts; ++part)
            for (unsigned digit = 0; digit < 256; ++digit)
                total[digit] += counts[part][byte][digit];
        if (std::find(total.begin(), total.end(), n) != total.end()) continue;
        if (moved) {
            runInParts(n, parts, [&](std::size_t part, std::size_t first, std::size_t end) {
                DigitCounts& own = counts[part][byte];
                own.fill(0);
                for (std::size_t i = first; i < end; ++i) ++own[digitOf(prefixes[i], byte)];
            });
        }
        // Where each part's entries of each digit begin: the digits before,
        // then the earlier parts' entries of that digit.
        std::uint32_t start = 0;
        for (unsigned digit = 0; digit < 256; ++digit) {
            for (std::size_t part = 0; part < parts; ++part) {
                starts[part][digit] = start;
                start += counts[part][byte][digit];
            }
        }
        runInParts(n, parts, [&](std::size_t part, std::size_t first, std::size_t end) {
            DigitCounts& next = starts[part];
            for (std::size_t i = first; i < end; ++i) {
                const std::uint32_t to = next[digitOf(prefixes[i], byte)]++;
                sortedPrefixes[to] = prefixes[i];
                sortedEntries[to] = entries[i];
            }
        });
        prefixes.swap(sortedPrefixes);
        entries.swap(sortedEntries);
        moved = true;
    }
}

}  // namespace

void KeyIndex::resize(std::size_t count) {
    changed();
    keys_.resize(count * keyLength_, ' ');
    recnos_.resize(count, 0);
}

void KeyIndex::set(std::size_t pos, std::string_view key, std::uint32_t recno) {
    const std::string_view k = key.substr(0, keyLength_);
    char* out = keys_.data() + pos * keyLength_;
    std::copy(k.begin(), k.end(), out);
    std::fill(out + k.size(), out + keyLength_, ' ');
    recnos_[pos] = recno;
}

// A radix sort on the keys' first eight bytes, then a sort by the remaining
// bytes among keys that share those. Both are stable, and the entries start
// in record-number order, so equal keys end in record-number order.
void KeyIndex::sort() {
    // Keys added in order, as records appended in key order give them.
    if (isSorted()) return;
    changed();
    const std::size_t n = recnos_.size();
    const std::size_t len = keyLength_;
    const char* base = keys_.data();
    const std::size_t parts = partsFor(n);
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    if (!std::is_sorted(recnos_.begin(), recnos_.end()))
        std::stable_sort(order.begin(), order.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return recnos_[a] < recnos_[b]; });
    {
        std::vector<std::uint64_t> prefixes(n);
        runInParts(n, parts, [&](std::size_t, std::size_t first, std::size_t end) {
            for (std::size_t i = first; i < end; ++i)
                prefixes[i] = prefixOf(base + order[i] * len, len);
        });
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
    runInParts(n, parts, [&](std::size_t, std::size_t first, std::size_t end) {
        for (std::size_t i = first; i < end; ++i) {
            if (len) std::memcpy(keys.data() + i * len, base + order[i] * len, len);
            recnos[i] = recnos_[order[i]];
        }
    });
    keys_.swap(keys);
    recnos_.swap(recnos);
}

void KeyIndex::forEach(const KeyVisitor& visit) const {
    for (std::size_t i = 0; i < size(); ++i) visit(keyAt(i), recnoAt(i));
}

std::uint32_t KeyIndex::maxRecno() const {
    return recnos_.empty() ? 0 : *std::max_element(recnos_.begin(), recnos_.end());
}

std::size_t KeyIndex::sortableWithin(std::size_t bytes, std::size_t keyLength) {
    // At its fullest sort() holds each entry and, beside it, either the
    // radix sort's order, prefixes and their sorted copies (24 bytes), or
    // the order and the sorted copy of the entry.
    const std::size_t entry = keyLength + sizeof(std::uint32_t);
    const std::size_t sorting = entry + std::max<std::size_t>(24, sizeof(std::uint32_t) + entry);
    return std::max<std::size_t>(bytes / sorting, 1);
}

int KeyIndex::compareAt(std::size_t pos, std::string_view key) const {
    return keyLength_ ? std::memcmp(keys_.data() + pos * keyLength_, key.data(), keyLength_) : 0;
}

void KeyIndex::changed() {
    searchesSinceChange_ = 0;
    std::vector<std::uint64_t>().swap(prefixes_);
}

std::size_t KeyIndex::lowerBoundEntry(std::string_view key, std::uint32_t recno) const {
    std::size_t lo = 0, hi = recnos_.size();
    // The prefixes pay for themselves once an index is searched more often
    // than a few times between changes.
    if (prefixes_.empty() && hi >= kPrefixSearchFrom &&
        ++searchesSinceChange_ >= kSearchesForPrefixes) {
        prefixes_.resize(hi);
        for (std::size_t i = 0; i < hi; ++i)
            prefixes_[i] = prefixOf(keys_.data() + i * keyLength_, keyLength_);
    }
    if (!prefixes_.empty()) {
        const std::uint64_t prefix = prefixOf(key.data(), keyLength_);
        lo = static_cast<std::size_t>(std::lower_bound(prefixes_.begin(), prefixes_.end(), prefix) -
                                      prefixes_.begin());
        hi = static_cast<std::size_t>(
            std::upper_bound(prefixes_.begin() + static_cast<std::ptrdiff_t>(lo), prefixes_.end(),
                             prefix) -
            prefixes_.begin());
    }
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
    changed();
    keys_.insert(keys_.begin() + static_cast<std::ptrdiff_t>(pos * keyLength_), k.begin(), k.end());
    recnos_.insert(recnos_.begin() + static_cast<std::ptrdiff_t>(pos), recno);
}

bool KeyIndex::erase(std::string_view key, std::uint32_t recno) {
    std::size_t pos = find(key, recno);
    if (pos == size()) return false;
    changed();
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
    changed();
    keys_.clear();
    recnos_.clear();
}

bool EntryOrder::follows(std::string_view key, std::uint32_t recno) {
    const int order = first_ ? -1 : std::string_view(previousKey_).compare(key);
    if (order > 0 || (order == 0 && previousRecno_ >= recno)) return false;
    previousKey_.assign(key);
    previousRecno_ = recno;
    first_ = false;
    return true;
}

}  // namespace marklift
