#include "gui/widgets/incremental_search.h"

namespace marklift {

TIncrementalSearch::TIncrementalSearch(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, &TIncrementalSearch::TextEdited);
}

void TIncrementalSearch::TextEdited(const QString& text) {
    const QString upper = text.toUpper();
    if (upper != text) {
        const int cursor = cursorPosition();
        setText(upper);
        setCursorPosition(cursor);
    }
    emit searchFor(upper);
}

}  // namespace marklift
