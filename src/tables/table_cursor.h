// TableCursor: where a table's cursor stands as it walks the table in its
// active order (record order when there is none) under its filter: on a
// record that passes, before the first or past the last. XbaseTable owns
// one; the cursor reads records only to test them against the filter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace marklift {

class DbfFile;
class Expression;
class KeyIndex;
class Order;

class TableCursor {
public:
    // Told after every move, so the owner can load the record it is on.
    explicit TableCursor(std::function<void()> moved) : moved_(std::move(moved)) {}

    // What the cursor walks. A detached cursor stands nowhere.
    void attach(DbfFile* dbf);
    void detach();
    // Makes `order` (nullptr: record order) the one walked, keeping the
    // current record.
    void changeOrder(Order* order);
    void setFilter(const Expression* filter) { filter_ = filter; }
    Order* order() const { return order_; }

    std::uint32_t recno() const { return recno_; }  // 0 when on no record
    // In an order the position in its keys; in record order the number.
    std::size_t pos() const { return pos_; }
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }

    // Records in the table, and whether one passes the filter.
    std::uint32_t count() const;
    bool passes(std::uint32_t recno) const;
    // The active order's keys; requires an order.
    KeyIndex& keys() const;

    void setAt(std::uint32_t recno, std::size_t position);
    void setPastEnd();
    void setBeforeStart();
    // The first passing record at or after `from` (a position in the order,
    // or a record number), else past the end.
    void scanForward(std::size_t from);
    // The last passing record at or before `from`, else before the start.
    void scanBackward(std::ptrdiff_t from);
    // Moves by `count` passing records (negative: backwards), stopping at
    // either end.
    void moveBy(int count);
    // Finds the current record's position again after the order changed
    // under it (a new order, a key edited). `near` is where it likely is: a
    // walk through the order by bookmarks finds each record just after the
    // last, where it is checked for before any search.
    void relocate(std::size_t near = SIZE_MAX);
    // Onto record `recno`, whether or not it passes; throws when there is
    // no such record.
    void gotoRecord(std::uint32_t recno);

private:
    // Whether the entry at `at` is the first of the current record's with
    // that key, where a search would find it.
    bool firstEntryAt(const KeyIndex& index, std::size_t at, std::string_view key) const;

    std::function<void()> moved_;
    DbfFile* dbf_ = nullptr;
    Order* order_ = nullptr;
    const Expression* filter_ = nullptr;
    std::uint32_t recno_ = 0;
    std::size_t pos_ = 0;
    bool eof_ = true;
    bool bof_ = true;
};

}  // namespace marklift
