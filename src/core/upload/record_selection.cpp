#include "core/upload/record_selection.h"

#include "core/session/table_scope.h"
#include "core/worktable/work_table_builder.h"

namespace marklift {

const char* OrderTag(SelectionOrder order) {
    switch (order) {
        case SelectionOrder::Id:
            return "SSN";
        case SelectionOrder::LastName:
            return "LNAME";
        case SelectionOrder::TestDate:
            return "DATE";
        case SelectionOrder::TestCode:
            return "TESTCODE";
    }
    return "SSN";
}

void RecordSelection::SetMember(Bookmark bookmark, bool member) {
    if (bookmark >= members_.size()) members_.resize(std::size_t{bookmark} + 1, false);
    members_[bookmark] = member;
}

void RecordSelection::Add(Bookmark bookmark) {
    if (contains(bookmark)) return;
    // The count is taken as the grid announces the change, before it.
    selectedCount_ = static_cast<std::uint32_t>(bookmarks_.size()) + 1;
    bookmarks_.push_back(bookmark);
    SetMember(bookmark, true);
}

void RecordSelection::Remove(Bookmark bookmark) {
    if (!contains(bookmark)) return;
    selectedCount_ = static_cast<std::uint32_t>(bookmarks_.size()) - 1;
    std::erase(bookmarks_, bookmark);
    SetMember(bookmark, false);
}

void RecordSelection::Toggle(Bookmark bookmark) {
    if (contains(bookmark))
        Remove(bookmark);
    else
        Add(bookmark);
}

void RecordSelection::SelectAll(XbaseTable& table) {
    Clear();
    const Bookmark current = table.GetBookmark();
    table.DisableControls();
    try {
        // The order's own bookmarks: walking it would read every record.
        TakeAll(table.Bookmarks());
        // Where the walk would have left the table without a record to
        // return to: past the end.
        if (current == 0) {
            table.Last();
            table.Next();
        }
    } catch (...) {
        table.EnableControls();
        throw;
    }
    table.EnableControls();
}

void RecordSelection::SelectAllIn(XbaseTable& table, SelectionOrder order) {
    Clear();
    TakeAll(table.Bookmarks(OrderTag(order)));
}

void RecordSelection::TakeAll(std::vector<Bookmark> bookmarks) {
    bookmarks_ = std::move(bookmarks);
    for (Bookmark bookmark : bookmarks_) SetMember(bookmark, true);
    selectedCount_ = static_cast<std::uint32_t>(bookmarks_.size());
}

void RecordSelection::Clear() {
    bookmarks_.clear();
    members_.clear();
    selectedCount_ = 0;
}

void RecordSelection::ChangeOrder(XbaseTable& table, SelectionOrder order) {
    Clear();
    table.SetIndexName(OrderTag(order));
}

std::optional<std::string> SearchKey(const std::string& orderTag, const std::string& typed) {
    if (orderTag != OrderTag(SelectionOrder::TestDate) || typed.find('/') == std::string::npos)
        return typed;
    // A two-digit year would read as a whole date one keystroke early.
    const std::size_t lastSlash = typed.rfind('/');
    if (typed.size() - lastSlash - 1 != 4) return std::nullopt;
    const std::optional<Date> day = Date::fromShortText(typed);
    if (!day) return std::nullopt;
    return day->toYyyymmdd();
}

std::string RecordSelection::StatusText() const {
    return "Records Selected: " + std::to_string(selectedCount_) + " out of " +
           std::to_string(totalCount_);
}

bool RecordSelection::ExportAvailable(const std::string& fileName) const {
    return selectedCount_ >= 1 && !fileName.empty();
}

void OpenWorkTableInRecordOrder(XbaseTable& workTable, const ProgramSettings& settings,
                                UserInterface& ui) {
    workTable.SetDatabaseName(settings.DataPath);
    workTable.SetTableName(kWorkTableName);
    workTable.SetTableType(TableType::ttCDX);
    OpenOrCancel(workTable, ui);
}

void OpenWorkTable(XbaseTable& workTable, const ProgramSettings& settings, UserInterface& ui) {
    OpenWorkTableInRecordOrder(workTable, settings, ui);
    workTable.SetIndexName(OrderTag(SelectionOrder::Id));
    workTable.First();
}

}  // namespace marklift
