// One index order of an open table: a tag of its structural .cdx or a
// Clipper .ntx opened on it. Holds the order's keys in memory, loading them
// from the file when first needed, and rebuilding them from the data file
// after bulk changes.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "tables/cdx_index.h"
#include "tables/dbf_file.h"
#include "tables/expression.h"
#include "tables/key_index.h"
#include "tables/key_runs.h"
#include "tables/tag_keys.h"

namespace marklift {

class Order {
public:
    // Reads a whole .ntx (program path) opened on `dbf`, by the reader's
    // side of clipper_locks.h: keys of records past the table's count are
    // left out. Throws EXbaseError naming the file.
    static std::unique_ptr<Order> openNtx(const std::string& fileName, const std::string& name,
                                          const DbfFile& dbf);
    // A tag of the .cdx at `cdxPath` (native path), position `tagIndex` in it.
    static std::unique_ptr<Order> cdxTag(const std::string& cdxPath, std::size_t tagIndex,
                                         const CdxTag& tag, const FieldList& fields);
    // A new tag whose keys are built from the data file now.
    static std::unique_ptr<Order> newCdxTag(const CdxTag& tag, Expression key, const DbfFile& dbf);

    const std::string& name() const { return name_; }
    const std::string& fileName() const { return fileName_; }
    const CdxTag& tag() const { return tag_; }
    // False for tags this engine can read but not keep up to date (a key
    // outside the expression subset, a condition, descending order).
    bool maintainable() const;

    // The keys, loaded or rebuilt as needed.
    KeyIndex& keys(const DbfFile& dbf);
    bool loaded() const { return state_ == State::Loaded; }

    // The record's key in this order's stored form.
    std::string keyOf(const char* record) const;
    // The same without a copy where it can: a view of the record's bytes,
    // or of `scratch` for a date key.
    std::string_view keyView(const char* record, std::string& scratch) const;
    // The stored form of a seek value given as text (dates as yyyymmdd).
    std::string seekKey(const std::string& text) const;
    // Same, for a prefix: not padded.
    std::string seekPrefix(const std::string& text) const;

    // Keeping a loaded order right; an unloaded one just goes stale.
    void recordAppended(const char* record, std::uint32_t recno);
    void recordChanged(const char* before, const char* after, std::uint32_t recno);
    void invalidate();
    bool stale() const { return state_ == State::Stale; }
    // The keys to write out: those kept in memory lent, others made for the
    // writing without keeping them, sorted in bounded memory with a scratch
    // file beside `scratchBeside` (a native path) when there are many.
    TagKeys snapshot(const DbfFile& dbf, const std::string& scratchBeside) const;
    // Every entry in order without loading an order still on disk into
    // memory: it is read from its file a page at a time.
    void forEachEntry(const DbfFile& dbf, const KeyVisitor& visit);
    // After the .cdx was rewritten; keys in memory stay, stale ones are now
    // on disk.
    void writtenTo(const std::string& cdxPath, std::size_t tagIndex);

    // Rebuilds from the data file; a large one that has reached the disk is
    // read and sorted on several threads.
    KeyIndex build(const DbfFile& dbf) const;
    // The same in ranges of at most `entriesPerRun` records, so that the
    // memory it takes does not grow with the table.
    KeyRuns buildInRuns(const DbfFile& dbf, const std::string& scratchBeside,
                        std::size_t entriesPerRun) const;

private:
    enum class State { OnDisk, Loaded, Stale };
    Order() = default;
    KeyIndex readFromDisk() const;
    // The sorted keys of records first + 1 .. end.
    KeyIndex buildRange(const DbfFile& dbf, std::uint32_t first, std::uint32_t end) const;
    void readKeysInto(const DbfFile& dbf, KeyIndex& keys, std::uint32_t base, std::uint32_t from,
                      std::uint32_t to) const;
    void requireKey() const;
    std::size_t keyLength() const { return isNtx_ ? keys_.keyLength() : tag_.keyLength; }

    std::string name_;
    std::string fileName_;  // .ntx program path, or .cdx native path
    bool isNtx_ = false;
    bool dateKeys_ = false;
    std::size_t tagIndex_ = 0;
    CdxTag tag_;
    std::optional<Expression> key_;
    State state_ = State::OnDisk;
    KeyIndex keys_;
};

}  // namespace marklift
