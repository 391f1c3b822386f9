// TIncrementalSearch: the search box over a table's active order. Typed
// letters turn upper case, and each change asks its window to move to the
// first record whose key starts with, or follows, the text.
#pragma once

#include <QLineEdit>
#include <string>

namespace marklift {

class TIncrementalSearch : public QLineEdit {
    Q_OBJECT

public:
    explicit TIncrementalSearch(QWidget* parent = nullptr);

    // The tag searched, which is the table's active order.
    void SetSearchField(const std::string& field) { searchField_ = field; }
    const std::string& SearchField() const { return searchField_; }

signals:
    // The text as typed, in upper case.
    void searchFor(const QString& key);

private:
    void TextEdited(const QString& text);

    std::string searchField_;
};

}  // namespace marklift
