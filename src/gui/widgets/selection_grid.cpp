#include "gui/widgets/selection_grid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace marklift {

TSelectionGrid::TSelectionGrid(QWidget* parent) : QTableView(parent) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The highlight comes from the window's own selection, which keeps the
    // order records were picked in; the view's would not.
    setSelectionMode(QAbstractItemView::NoSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWordWrap(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setFixedWidth(14);
}

void TSelectionGrid::mousePressEvent(QMouseEvent* event) {
    QTableView::mousePressEvent(event);
    const int row = rowAt(event->position().toPoint().y());
    if (row >= 0 && event->button() == Qt::LeftButton) emit rowClicked(row, event->modifiers());
}

void TSelectionGrid::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::ControlModifier && event->key() == Qt::Key_A) {
        emit selectAllKey();
        return;
    }
    if (event->modifiers() == Qt::ControlModifier && event->key() == Qt::Key_N) {
        emit unselectKey();
        return;
    }
    QTableView::keyPressEvent(event);
}

}  // namespace marklift
