// The virtual list: a row-count-only model whose rows come from a callback,
// and a delegate that draws a row's text with its tab stop.
#include "gui/widgets/virtual_list_box.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

namespace marklift {

class TVirtualListBox::Model : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    ItemSource source;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : count_;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid() || !source) return {};
        return source(index.row());
    }

    void setCount(int count) {
        if (count < count_) {
            beginRemoveRows(QModelIndex(), count, count_ - 1);
            count_ = count;
            endRemoveRows();
        } else if (count > count_) {
            beginInsertRows(QModelIndex(), count_, count - 1);
            count_ = count;
            endInsertRows();
        }
        if (count_ > 0) emit dataChanged(index(0), index(count_ - 1), {Qt::DisplayRole});
    }

private:
    int count_ = 0;
};

class TVirtualListBox::Delegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    int tabStopDialogUnits = 0;

    int tabStopPixels(const QFont& font) const {
        return tabStopDialogUnits * QFontMetrics(font).averageCharWidth() / 4;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QString text = item.text;
        item.text.clear();
        const QWidget* view = item.widget;
        QStyle* style = view ? view->style() : QApplication::style();
        // Background, selection and focus as the style draws them; the text
        // is ours, because Qt's item text has no settable tab stops.
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, view);

        const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &item, view)
                               .adjusted(textMargin(style, view), 0, 0, 0);
        const QPalette::ColorGroup group =
            !(item.state & QStyle::State_Enabled) ? QPalette::Disabled : QPalette::Normal;
        const QPalette::ColorRole role =
            (item.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text;
        painter->save();
        painter->setPen(item.palette.color(group, role));
        painter->setFont(item.font);
        const QFontMetrics metrics(item.font);
        const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
        const qsizetype tab = text.indexOf(QLatin1Char('\t'));
        const QString head = tab < 0 ? text : text.left(tab);
        painter->drawText(area, flags, metrics.elidedText(head, Qt::ElideRight, area.width()));
        if (tab >= 0) {
            // As a tabbed text: the next multiple of the stop past the head.
            const int stop = std::max(1, tabStopPixels(item.font));
            const int x = (metrics.horizontalAdvance(head) / stop + 1) * stop;
            const QRect tail = area.adjusted(x, 0, 0, 0);
            painter->drawText(tail, flags,
                              metrics.elidedText(text.mid(tab + 1), Qt::ElideRight, tail.width()));
        }
        painter->restore();
    }

private:
    static int textMargin(const QStyle* style, const QWidget* view) {
        return style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    }
};

TVirtualListBox::TVirtualListBox(QWidget* parent)
    : QListView(parent), model_(new Model(this)), delegate_(new Delegate(this)) {
    setModel(model_);
    setItemDelegate(delegate_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TVirtualListBox::selectedRowChanged);
}

void TVirtualListBox::setItemSource(ItemSource source) {
    model_->source = std::move(source);
    viewport()->update();
}

void TVirtualListBox::setCount(int count) {
    if (selectedRow() >= count) setSelectedRow(-1);
    // Otherwise the view moves a removed current row onto a remaining row,
    // selecting it.
    if (currentIndex().row() >= count)
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    model_->setCount(count);
}

int TVirtualListBox::count() const {
    return model_->rowCount();
}

int TVirtualListBox::selectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.constFirst().row();
}

void TVirtualListBox::setSelectedRow(int row) {
    if (row < 0 || row >= count()) {
        selectionModel()->clearSelection();
        return;
    }
    selectionModel()->setCurrentIndex(model_->index(row), QItemSelectionModel::ClearAndSelect);
    scrollTo(model_->index(row));
}

void TVirtualListBox::setTabStop(int dialogUnits) {
    delegate_->tabStopDialogUnits = dialogUnits;
    viewport()->update();
}

int TVirtualListBox::tabStopPixels() const {
    return delegate_->tabStopPixels(font());
}

}  // namespace marklift
