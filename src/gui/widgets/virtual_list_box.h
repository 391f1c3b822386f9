// TVirtualListBox: a single-selection list that holds no rows of its own;
// it knows how many there are and asks for each row's text when it draws
// it. A tab in a row's text moves to a tab stop given in dialog units (a
// quarter of the average character width of the list's font).
#pragma once

#include <QListView>
#include <functional>

namespace marklift {

class TVirtualListBox : public QListView {
    Q_OBJECT

public:
    using ItemSource = std::function<QString(int row)>;

    explicit TVirtualListBox(QWidget* parent = nullptr);

    void setItemSource(ItemSource source);
    // A selected row beyond the new count is deselected first; every
    // remaining row is drawn afresh.
    void setCount(int count);
    int count() const;

    // -1 when no row is selected.
    int selectedRow() const;
    void setSelectedRow(int row);

    void setTabStop(int dialogUnits);
    int tabStopPixels() const;

signals:
    // Any change of the selection: mouse, keyboard or program.
    void selectedRowChanged();

private:
    class Model;
    class Delegate;
    Model* model_;
    Delegate* delegate_;
};

}  // namespace marklift
