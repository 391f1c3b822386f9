// The grid model of one code table (BANPLACE or BANTEST): the four columns
// with their titles, INCLUDE as a check box, edits kept on the table's
// current row and posted when the grid leaves the row, a new row that is
// dropped when left untouched, and the navigator's moves.
#pragma once

#include <QAbstractTableModel>
#include <array>
#include <string>
#include <vector>

#include "core/session/user_interface.h"
#include "tables/xbase_table.h"

namespace marklift {

struct CodeColumn {
    const char* field;
    int widthInCharacters;
    const char* title;
};
using CodeColumns = std::array<CodeColumn, 4>;

inline constexpr CodeColumns kPlacementColumns{{{"CODE", 9, "DELV Code"},
                                                {"INCLUDE", 5, "Include"},
                                                {"NEWCODE", 9, "New Code"},
                                                {"MESSAGE", 43, "Placement Message"}}};
inline constexpr CodeColumns kTestColumns{{{"CODE", 9, "DELV Code"},
                                           {"INCLUDE", 5, "Include"},
                                           {"NEWCODE", 9, "New Code"},
                                           {"TEST", 22, "Test/Score Name"}}};

class CodeTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kCodeColumn = 0;
    static constexpr int kIncludeColumn = 1;

    // Engine errors of the grid's edits are shown through `ui`.
    CodeTableModel(XbaseTable& table, const CodeColumns& columns, UserInterface& ui,
                   QObject* parent = nullptr);

    XbaseTable& table() { return table_; }
    const CodeColumns& columns() const { return columns_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Reads the rows again in the table's order, staying on its current
    // record. The code tables hold one row per code, so their texts are
    // kept here rather than read for every paint.
    void reload();
    // The row of the table's current record, -1 when there is none.
    int currentRow() const;

    // Leaves the current row (posting its edit, or dropping an untouched
    // new row) and makes `row` the table's current record.
    void moveToRow(int row);
    // Leaves the current row the same way without moving.
    void leaveRow();
    void toggleInclude(int row);
    // A blank row at the end in insert mode, kept only when edited.
    void insertRow();
    // Marks the row's record deleted.
    void deleteRow(int row);

    // The navigator's moves, from the current row.
    void first();
    void last();
    void moveBy(int rows);

signals:
    // The table's current record moved to `row`.
    void currentRowMoved(int row);

private:
    struct Row {
        Bookmark bookmark = 0;  // 0: the new row, not yet in the table
        std::array<std::string, 4> texts;
        bool include = false;
    };

    // Runs a step on the table; an engine error is shown and the rows are
    // read again, since the step may have stopped half-way.
    template <typename Step>
    void guarded(Step step);
    void moveTable(const std::function<void()>& move);

    XbaseTable& table_;
    CodeColumns columns_;
    UserInterface& ui_;
    std::vector<Row> rows_;
    bool newRowTouched_ = false;
};

}  // namespace marklift
