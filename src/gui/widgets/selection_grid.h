// TSelectionGrid: the selection window's read-only grid. Whole rows, the
// current row marked in the indicator column; the records a user picks are
// kept by the window, so the grid only says which row was clicked with
// which keys held, and hands Ctrl+A and Ctrl+N to the window.
#pragma once

#include <QTableView>

namespace marklift {

class TSelectionGrid : public QTableView {
    Q_OBJECT

public:
    explicit TSelectionGrid(QWidget* parent = nullptr);

signals:
    void rowClicked(int row, Qt::KeyboardModifiers modifiers);
    void selectAllKey();
    void unselectKey();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace marklift
