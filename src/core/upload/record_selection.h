// The record selection window's rules apart from its widgets: the ordered
// selection of work-table records with its counts and the four orders.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/upload/prepare_export_file.h"
#include "tables/xbase_table.h"

namespace marklift {

struct ProgramSettings;
class UserInterface;

// The orders of the window's radio buttons, by their tags 1 to 4.
enum class SelectionOrder { Id = 1, LastName = 2, TestDate = 3, TestCode = 4 };

// The work table's tag an order stands for: SSN, LNAME, DATE, TESTCODE.
const char* OrderTag(SelectionOrder order);

// What the search box seeks on the tag `orderTag` for `typed`: the text as
// typed, except that on DATE, whose keys are yyyymmdd, a date typed as the
// grid shows it (MM/dd/yyyy, four-digit year) seeks that day; nothing while
// such a date is not yet whole.
std::optional<std::string> SearchKey(const std::string& orderTag, const std::string& typed);

// The records a user picked, in the order they were picked, with the counts
// the status line shows. SelectedCount is the count as last announced,
// which the grid sets before it changes the selection.
class RecordSelection {
public:
    explicit RecordSelection(std::uint32_t totalCount = 0) : totalCount_(totalCount) {}

    const std::vector<Bookmark>& bookmarks() const { return bookmarks_; }
    bool contains(Bookmark bookmark) const {
        return bookmark < members_.size() && members_[bookmark];
    }
    std::uint32_t SelectedCount() const { return selectedCount_; }
    std::uint32_t TotalCount() const { return totalCount_; }
    void SetTotalCount(std::uint32_t count) { totalCount_ = count; }

    // One record about to be added (at the end) or removed, as the grid
    // announces it; adding a selected record or removing another changes
    // nothing.
    void Add(Bookmark bookmark);
    void Remove(Bookmark bookmark);
    // Ctrl+click: removes a selected record, adds any other.
    void Toggle(Bookmark bookmark);

    // Select All: every record of `table` in its active order, walking it
    // from first to last; the table returns to the record that was current.
    void SelectAll(XbaseTable& table);
    // Every record of `table` in `order`, leaving the table's cursor and
    // active order as they are: an unattended export needs the sequence
    // alone, and an order left on disk takes no memory for its keys.
    void SelectAllIn(XbaseTable& table, SelectionOrder order);
    // UnSelect: drops the whole selection.
    void Clear();

    // Drops the selection and makes the order's tag the table's active order.
    void ChangeOrder(XbaseTable& table, SelectionOrder order);

    // "Records Selected: N out of M".
    std::string StatusText() const;
    // Export is possible with at least one record and a file name.
    bool ExportAvailable(const std::string& fileName) const;

private:
    void SetMember(Bookmark bookmark, bool member);
    // Makes `bookmarks` the whole selection.
    void TakeAll(std::vector<Bookmark> bookmarks);

    std::vector<Bookmark> bookmarks_;
    // By bookmark, a record number: a bit per record of the table rather
    // than a set entry per selected record, which Select All makes many.
    std::vector<bool> members_;
    std::uint32_t selectedCount_ = 0;
    std::uint32_t totalCount_ = 0;
};

// Opens DataPath + BANTABLE in record order. Throws ProgramCancelled when the
// user gives up opening it.
void OpenWorkTableInRecordOrder(XbaseTable& workTable, const ProgramSettings& settings,
                                UserInterface& ui);
// The same in the order by ID, on its first record, as the selection window
// does when created.
void OpenWorkTable(XbaseTable& workTable, const ProgramSettings& settings, UserInterface& ui);

}  // namespace marklift
