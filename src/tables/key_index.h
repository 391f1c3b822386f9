// The keys of one index order held in memory: fixed-width key bytes with
// their record numbers, sorted by key and, among equal keys, by record number
// (the order every xBase index walks them in). Index files are read into one
// of these and written from one; the table walks and seeks it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace marklift {

// Every entry of an order, in key and record-number order.
using KeyVisitor = std::function<void(std::string_view key, std::uint32_t recno)>;

class KeyIndex {
public:
    explicit KeyIndex(std::size_t keyLength = 0) : keyLength_(keyLength) {}

    std::size_t keyLength() const { return keyLength_; }
    std::size_t size() const { return recnos_.size(); }
    bool empty() const { return recnos_.empty(); }

    std::string_view keyAt(std::size_t pos) const {
        return {keys_.data() + pos * keyLength_, keyLength_};
    }
    std::uint32_t recnoAt(std::size_t pos) const { return recnos_[pos]; }
    // Every entry, in order.
    void forEach(const KeyVisitor& visit) const;
    // The highest record number of any entry; 0 when there is none.
    std::uint32_t maxRecno() const;

    // Bulk loading: add entries in any order, then call sort() once.
    void reserve(std::size_t count);
    void add(std::string_view key, std::uint32_t recno);
    // The same for loaders that fill several places at once: resize() makes
    // `count` blank entries, and set() fills one, padding or cutting the key
    // as add() does. Threads may set different places at the same time,
    // before the index is searched.
    void resize(std::size_t count);
    void set(std::size_t pos, std::string_view key, std::uint32_t recno);
    // Large indexes are sorted on several threads.
    void sort();
    // How many entries of `keyLength` bytes an index may hold for sort() to
    // stay within `bytes` of memory, the entries included.
    static std::size_t sortableWithin(std::size_t bytes, std::size_t keyLength);

    // Keeping a sorted index right, one entry at a time.
    void insert(std::string_view key, std::uint32_t recno);
    // False when no such entry exists.
    bool erase(std::string_view key, std::uint32_t recno);

    // First position whose key is >= `key` (shorter keys are compared as if
    // padded with `pad`); size() when none.
    std::size_t lowerBound(std::string_view key, char pad = ' ') const;
    // First position of the exact entry; size() when absent.
    std::size_t find(std::string_view key, std::uint32_t recno) const;
    // True when the entries are in key, record-number order.
    bool isSorted() const;

    void clear();

private:
    // `key` cut or padded to the index's width; `storage` holds it when it
    // does not already have that width.
    std::string_view normalise(std::string_view key, char pad, std::string& storage) const;
    int compareAt(std::size_t pos, std::string_view key) const;
    std::size_t lowerBoundEntry(std::string_view key, std::uint32_t recno) const;
    // Forgets the search prefixes; every change to the entries calls it.
    void changed();

    std::size_t keyLength_;
    std::vector<char> keys_;
    std::vector<std::uint32_t> recnos_;
    // For an index searched many times over without a change between (a
    // student index a build seeks every record's student in): each entry's
    // first eight key bytes as a number, so that a search narrows down by
    // number to the few entries it compares byte by byte.
    mutable std::vector<std::uint64_t> prefixes_;
    mutable std::size_t searchesSinceChange_ = 0;
};

// Whether entries handed over one at a time, as a file is read or written,
// come in index order: each after the one before by key, then by record
// number.
class EntryOrder {
public:
    // False when the entry does not follow the previous one.
    bool follows(std::string_view key, std::uint32_t recno);

private:
    std::string previousKey_;
    std::uint32_t previousRecno_ = 0;
    bool first_ = true;
};

}  // namespace marklift
