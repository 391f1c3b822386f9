#include "gui/settings/code_table_model.h"

#include <exception>
#include <functional>

#include "core/session/error_handler.h"
#include "gui/widgets/qt_text.h"

namespace marklift {

CodeTableModel::CodeTableModel(XbaseTable& table, const CodeColumns& columns, UserInterface& ui,
                               QObject* parent)
    : QAbstractTableModel(parent), table_(table), columns_(columns), ui_(ui) {}

int CodeTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CodeTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant CodeTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    if (index.column() == kIncludeColumn) {
        if (role == Qt::CheckStateRole) return row.include ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return toQString(row.texts[static_cast<std::size_t>(index.column())]);
    return {};
}

QVariant CodeTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal)
        return QString(columns_[static_cast<std::size_t>(section)].title);
    return {};
}

Qt::ItemFlags CodeTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    // The code is the row's key: shown, never selected or edited. The check
    // box is toggled by the grid's click, not by the delegate, so that a
    // click anywhere in the cell counts once.
    if (index.column() == kCodeColumn) return Qt::ItemIsEnabled;
    if (index.column() == kIncludeColumn) return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool CodeTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() == kCodeColumn) return false;
    const bool include = index.column() == kIncludeColumn;
    if (role != Qt::EditRole && !(include && role == Qt::CheckStateRole)) return false;
    bool done = false;
    guarded([&] {
        Row& row = rows_[static_cast<std::size_t>(index.row())];
        if (row.bookmark != 0) {
            moveToRow(index.row());
            if (table_.State() == EditState::Browse) table_.Edit();
        }
        const std::string field = columns_[static_cast<std::size_t>(index.column())].field;
        if (include) {
            row.include =
                role == Qt::CheckStateRole ? value.toInt() == Qt::Checked : value.toBool();
            table_.SetBool(field, row.include);
        } else {
            table_.SetText(field, fromQString(value.toString()));
            row.texts[static_cast<std::size_t>(index.column())] = table_.GetText(field);
        }
        if (row.bookmark == 0) newRowTouched_ = true;
        done = true;
    });
    if (done) emit dataChanged(index, index);
    return done;
}

void CodeTableModel::reload() {
    beginResetModel();
    rows_.clear();
    if (table_.Active() && table_.State() == EditState::Browse && !table_.IsEmpty()) {
        const Bookmark current = table_.GetBookmark();
        for (table_.First(); !table_.Eof(); table_.Next()) {
            Row row;
            row.bookmark = table_.GetBookmark();
            for (std::size_t c = 0; c < columns_.size(); ++c)
                row.texts[c] = table_.GetText(columns_[c].field);
            row.include = table_.GetBool("INCLUDE");
            rows_.push_back(std::move(row));
        }
        table_.GotoBookmark(current);
    }
    endResetModel();
}

int CodeTableModel::currentRow() const {
    if (!table_.Active()) return -1;
    if (table_.State() == EditState::Insert) return static_cast<int>(rows_.size()) - 1;
    if (table_.IsEmpty() || table_.Eof()) return -1;
    const Bookmark current = table_.GetBookmark();
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].bookmark == current) return static_cast<int>(i);
    return -1;
}

void CodeTableModel::leaveRow() {
    guarded([&] {
        // An edited row keeps its place (its code cannot change), so only a
        // new row changes which rows there are.
        if (table_.State() == EditState::Edit) {
            table_.Post();
        } else if (table_.State() == EditState::Insert) {
            if (newRowTouched_)
                table_.Post();
            else
                table_.Cancel();
            newRowTouched_ = false;
            reload();
        }
    });
}

void CodeTableModel::moveToRow(int row) {
    if (row < 0 || row >= rowCount() || row == currentRow()) return;
    const Bookmark target = rows_[static_cast<std::size_t>(row)].bookmark;
    if (target == 0) return;
    moveTable([&] { table_.GotoBookmark(target); });
}

void CodeTableModel::first() {
    moveTable([&] { table_.First(); });
}

void CodeTableModel::last() {
    moveTable([&] { table_.Last(); });
}

void CodeTableModel::moveBy(int rows) {
    moveTable([&] { table_.MoveBy(rows); });
}

void CodeTableModel::moveTable(const std::function<void()>& move) {
    if (!table_.Active()) return;
    leaveRow();
    guarded([&] {
        move();
        // A move past either end stays on the last or first row, as the
        // grid has no row to show beyond them.
        if (table_.Eof() && !table_.IsEmpty()) table_.Last();
        if (table_.RecNo() == 0 && !table_.IsEmpty()) table_.First();
    });
    emit currentRowMoved(currentRow());
}

void CodeTableModel::toggleInclude(int row) {
    if (row < 0 || row >= rowCount()) return;
    const bool include = rows_[static_cast<std::size_t>(row)].include;
    setData(index(row, kIncludeColumn), include ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

void CodeTableModel::insertRow() {
    if (!table_.Active()) return;
    leaveRow();
    guarded([&] {
        table_.Append();
        const int at = rowCount();
        beginInsertRows({}, at, at);
        rows_.push_back(Row{});
        endInsertRows();
        newRowTouched_ = false;
    });
    emit currentRowMoved(currentRow());
}

void CodeTableModel::deleteRow(int row) {
    if (row < 0 || row >= rowCount()) return;
    if (rows_[static_cast<std::size_t>(row)].bookmark == 0) {
        leaveRow();
        return;
    }
    moveToRow(row);
    guarded([&] {
        if (table_.State() != EditState::Browse) table_.Cancel();
        table_.Delete();
        reload();
    });
    emit currentRowMoved(currentRow());
}

template <typename Step>
void CodeTableModel::guarded(Step step) {
    try {
        step();
    } catch (const std::exception& error) {
        ReportError(ui_, error);
        if (table_.State() == EditState::Browse) reload();
    }
}

}  // namespace marklift
