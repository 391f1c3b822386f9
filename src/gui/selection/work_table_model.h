// WorkTableModel: the work table BANTABLE as the selection window's grid
// shows it, row by row in the table's active order. Rows are read on demand,
// a block at a time through the table's positions, so a table of a million
// records opens at once and never sits whole in memory.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <map>
#include <vector>

#include "tables/xbase_table.h"

namespace marklift {

class RecordSelection;

class WorkTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    struct Column {
        const char* field;
        int widthInCharacters;
        const char* title;
        // The widest value the column must show whole; empty for the names,
        // which may be cut.
        const char* widest;
    };
    static constexpr int kColumnCount = 8;
    static const std::array<Column, kColumnCount> kColumns;

    // `table` is open and stays so, unfiltered, while the model lives;
    // selected rows are drawn highlighted.
    WorkTableModel(XbaseTable& table, const RecordSelection& selection, QObject* parent = nullptr);
    ~WorkTableModel() override;
    WorkTableModel(const WorkTableModel&) = delete;
    WorkTableModel& operator=(const WorkTableModel&) = delete;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // Column titles; the row indicator marks the table's current record.
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The record shown in `row`.
    Bookmark BookmarkAt(int row) const;
    // The row of the table's current record; -1 when there is none.
    int CurrentRow() const { return currentRow_; }
    // Repaints after the selection changed.
    void SelectionChanged();

signals:
    // The table moved to another record (navigator, search, a click).
    void currentRowChanged(int row);

private:
    struct Row {
        Bookmark bookmark = 0;
        std::array<QString, kColumnCount> texts;
    };
    static constexpr int kBlockRows = 64;
    static constexpr std::size_t kCachedBlocks = 64;

    const Row& RowAt(int row) const;
    std::vector<Row> ReadBlock(int firstRow) const;
    void TableChanged();

    XbaseTable& table_;
    const RecordSelection& selection_;
    int listenerId_;
    int rowCount_ = 0;
    int currentRow_ = -1;
    std::string order_;
    // Reading moves the table; its notices then say nothing new.
    mutable bool reading_ = false;
    mutable std::map<int, std::vector<Row>> blocks_;  // by first row
};

}  // namespace marklift
