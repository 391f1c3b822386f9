// TCodeGrid: the data grid of a code table. It keeps the grid's current row
// and the table's current record together, toggles INCLUDE with one click,
// asks before deleting a row, drops an untouched new row when it loses the
// focus, shows a cut-off cell's whole text as a hint, and keeps its last
// column inside its edge.
#pragma once

#include <QTableView>
#include <vector>

#include "core/session/user_interface.h"

namespace marklift {

class CodeTableModel;

class TCodeGrid : public QTableView {
    Q_OBJECT

public:
    TCodeGrid(CodeTableModel& model, UserInterface& ui, QWidget* parent = nullptr);

    // Reads the table again and shows its current record.
    void refresh();

    static constexpr char kDeleteQuestion[] = "Delete record?";

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void showRow(int row);
    // The last (widest) column keeps its width in characters, but ends at
    // the grid's right edge when that width would run past it: there is no
    // horizontal scroll bar to reach the rest.
    void fitLastColumn();

    std::vector<int> widths_;  // each column's width from its characters and title

    CodeTableModel& model_;
    UserInterface& ui_;
};

}  // namespace marklift
