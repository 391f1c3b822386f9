#include "gui/selection/work_table_model.h"

#include <QBrush>
#include <QGuiApplication>
#include <QPalette>

#include "core/upload/record_selection.h"
#include "gui/widgets/qt_text.h"

namespace marklift {

const std::array<WorkTableModel::Column, WorkTableModel::kColumnCount> WorkTableModel::kColumns = {{
    {"ID", 10, "ID", "000000000"},
    {"LNAME", 14, "Last Name", ""},
    {"FNAME", 12, "First Name", ""},
    {"MNAME", 10, "Middel Initial", ""},
    {"BIRTHDATE", 10, "Birth Date", "00/00/0000"},
    {"TESTCODE", 7, "Code", "0000"},
    {"TESTSCORE", 9, "Score", "00000000"},
    {"DATE", 10, "Date", "00/00/0000"},
}};

namespace {

// Puts the table back where it was, also when there was no current record,
// with its notices held back meanwhile.
class PositionKept {
public:
    explicit PositionKept(XbaseTable& table)
        : table_(table), position_(table.Position()), eof_(table.Eof()) {
        table_.DisableControls();
    }
    ~PositionKept() {
        try {
            if (position_ >= 0) {
                table_.GotoPosition(static_cast<std::uint32_t>(position_));
            } else if (eof_) {
                table_.Last();
                table_.Next();
            } else {
                table_.First();
                table_.Prior();
            }
        } catch (const EXbaseError&) {
            // The reading failed first; that failure is the one shown.
        }
        table_.EnableControls();
    }
    PositionKept(const PositionKept&) = delete;
    PositionKept& operator=(const PositionKept&) = delete;

private:
    XbaseTable& table_;
    std::int64_t position_;
    bool eof_;
};

}  // namespace

WorkTableModel::WorkTableModel(XbaseTable& table, const RecordSelection& selection, QObject* parent)
    : QAbstractTableModel(parent),
      table_(table),
      selection_(selection),
      listenerId_(table.AddListener([this] { TableChanged(); })),
      rowCount_(static_cast<int>(table.RecordCount())),
      currentRow_(static_cast<int>(table.Position())),
      order_(table.IndexName()) {}

WorkTableModel::~WorkTableModel() {
    table_.RemoveListener(listenerId_);
}

int WorkTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rowCount_;
}

int WorkTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant WorkTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount_) return {};
    switch (role) {
        case Qt::DisplayRole:
            return RowAt(index.row()).texts[std::size_t(index.column())];
        case Qt::BackgroundRole:
            if (selection_.contains(RowAt(index.row()).bookmark))
                return QGuiApplication::palette().brush(QPalette::Highlight);
            return {};
        case Qt::ForegroundRole:
            if (selection_.contains(RowAt(index.row()).bookmark))
                return QGuiApplication::palette().brush(QPalette::HighlightedText);
            return {};
        default:
            return {};
    }
}

QVariant WorkTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::TextAlignmentRole && orientation == Qt::Horizontal)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal)
        return section < kColumnCount ? QString::fromLatin1(kColumns[std::size_t(section)].title)
                                      : QVariant();
    return section == currentRow_ ? QStringLiteral("\u25B6") : QString();
}

Bookmark WorkTableModel::BookmarkAt(int row) const {
    return RowAt(row).bookmark;
}

void WorkTableModel::SelectionChanged() {
    if (rowCount_ > 0) emit dataChanged(index(0, 0), index(rowCount_ - 1, kColumnCount - 1));
}

const WorkTableModel::Row& WorkTableModel::RowAt(int row) const {
    const int first = row - row % kBlockRows;
    auto block = blocks_.find(first);
    if (block == blocks_.end()) {
        // Scrolling far asks for few blocks at a time; a plain flush keeps
        // the cache small without bookkeeping.
        if (blocks_.size() >= kCachedBlocks) blocks_.clear();
        block = blocks_.emplace(first, ReadBlock(first)).first;
    }
    static const Row kMissing;
    const std::size_t offset = std::size_t(row - first);
    return offset < block->second.size() ? block->second[offset] : kMissing;
}

std::vector<WorkTableModel::Row> WorkTableModel::ReadBlock(int firstRow) const {
    std::vector<Row> rows;
    reading_ = true;
    try {
        PositionKept kept(table_);
        table_.GotoPosition(static_cast<std::uint32_t>(firstRow));
        for (int i = 0; i < kBlockRows && !table_.Eof(); ++i, table_.Next()) {
            Row& row = rows.emplace_back();
            row.bookmark = table_.GetBookmark();
            for (std::size_t c = 0; c < kColumns.size(); ++c)
                row.texts[c] = toQString(table_.GetText(kColumns[c].field));
        }
    } catch (const EXbaseError& error) {
        // A paint cannot carry an error away: the first unreadable row says
        // what went wrong, in place of its identifier.
        Row& row = rows.emplace_back();
        row.texts[0] = toQString(error.what());
    }
    reading_ = false;
    return rows;
}

void WorkTableModel::TableChanged() {
    if (reading_) return;
    if (table_.IndexName() != order_) {
        beginResetModel();
        order_ = table_.IndexName();
        blocks_.clear();
        rowCount_ = static_cast<int>(table_.RecordCount());
        currentRow_ = static_cast<int>(table_.Position());
        endResetModel();
        emit currentRowChanged(currentRow_);
        return;
    }
    const int row = static_cast<int>(table_.Position());
    if (row == currentRow_) return;
    const int before = currentRow_;
    currentRow_ = row;
    if (before >= 0) emit headerDataChanged(Qt::Vertical, before, before);
    if (row >= 0) emit headerDataChanged(Qt::Vertical, row, row);
    emit currentRowChanged(row);
}

}  // namespace marklift
