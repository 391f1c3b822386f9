#include "gui/widgets/code_grid.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <algorithm>

#include "gui/settings/code_table_model.h"

namespace marklift {

TCodeGrid::TCodeGrid(CodeTableModel& model, UserInterface& ui, QWidget* parent)
    : QTableView(parent), model_(model), ui_(ui) {
    setModel(&model_);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideRight);
    setWordWrap(false);
    setTabKeyNavigation(true);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // A column is as wide as its characters, and never narrower than its title.
    const int average = fontMetrics().averageCharWidth();
    const QFontMetrics titleMetrics = horizontalHeader()->fontMetrics();
    for (int c = 0; c < model_.columnCount(); ++c) {
        const int characters =
            model_.columns()[static_cast<std::size_t>(c)].widthInCharacters * average;
        const QString title = model_.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        widths_.push_back(std::max(characters, titleMetrics.horizontalAdvance(title) + 12));
        setColumnWidth(c, widths_.back());
    }
    // Resizing another column by hand gives the last one more or less room.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column) {
        if (column + 1 < model_.columnCount()) fitLastColumn();
    });

    connect(&model_, &CodeTableModel::currentRowMoved, this, &TCodeGrid::showRow);
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.column() == CodeTableModel::kIncludeColumn) model_.toggleInclude(index.row());
    });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { model_.moveToRow(current.row()); });
}

void TCodeGrid::refresh() {
    model_.reload();
    showRow(model_.currentRow());
}

void TCodeGrid::showRow(int row) {
    if (row < 0) return;
    const int column = currentIndex().isValid() ? currentIndex().column() : 1;
    setCurrentIndex(model_.index(row, column));
}

void TCodeGrid::keyPressEvent(QKeyEvent* event) {
    if (state() != QAbstractItemView::EditingState) {
        if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
            if (currentIndex().isValid() && ui_.confirm(kDeleteQuestion))
                model_.deleteRow(currentIndex().row());
            return;
        }
        if (event->key() == Qt::Key_Insert) {
            model_.insertRow();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void TCodeGrid::focusOutEvent(QFocusEvent* event) {
    // An edit still open in a cell editor keeps the row; only the grid
    // itself losing the focus drops a new row nobody typed into.
    if (state() != QAbstractItemView::EditingState) {
        const int before = model_.rowCount();
        model_.leaveRow();
        if (model_.rowCount() != before) showRow(model_.currentRow());
    }
    QTableView::focusOutEvent(event);
}

// On the check box column the second press of a double click is one more
// click, so every click toggles.
void TCodeGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (indexAt(event->position().toPoint()).column() == CodeTableModel::kIncludeColumn)
        mousePressEvent(event);
    else
        QTableView::mouseDoubleClickEvent(event);
}

void TCodeGrid::fitLastColumn() {
    const int last = model_.columnCount() - 1;
    int others = 0;
    for (int c = 0; c < last; ++c) others += columnWidth(c);
    const int room = viewport()->width() - others;
    setColumnWidth(last, std::clamp(room, horizontalHeader()->minimumSectionSize(),
                                    widths_[static_cast<std::size_t>(last)]));
}

bool TCodeGrid::viewportEvent(QEvent* event) {
    // The viewport narrows when the vertical scroll bar comes.
    if (event->type() == QEvent::Resize) fitLastColumn();
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        const QString text = index.data(Qt::DisplayRole).toString();
        const QRect cell = visualRect(index);
        // The cell's margins keep part of its width from the text.
        const int room = cell.width() - 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin) - 2;
        if (index.isValid() && fontMetrics().horizontalAdvance(text) > room)
            QToolTip::showText(help->globalPos(), text, viewport(), cell);
        else
            QToolTip::hideText();
        return true;
    }
    return QTableView::viewportEvent(event);
}

}  // namespace marklift
