// TCodeGrid: the data grid of a code table. It keeps the grid's current row
// and the table's current record together, toggles INCLUDE with one click,
// asks before deleting a row, drops an untouched new row when it loses the
// focus, and shows a cut-off cell's whole text as a hint.
#pragma once

#include <QTableView>

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

    CodeTableModel& model_;
    UserInterface& ui_;
};

}  // namespace marklift
