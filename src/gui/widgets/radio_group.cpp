// The radio group read and set by index.
#include "gui/widgets/radio_group.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

namespace marklift {

TRadioGroup::TRadioGroup(const QString& title, const QStringList& items, QWidget* parent)
    : QGroupBox(title, parent), buttons_(new QButtonGroup(this)) {
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* radio = new QRadioButton(items[i], this);
        buttons_->addButton(radio, i);
        layout->addWidget(radio);
    }
}

int TRadioGroup::itemIndex() const {
    return buttons_->checkedId();
}

void TRadioGroup::setItemIndex(int index) {
    if (QAbstractButton* chosen = buttons_->button(index)) {
        chosen->setChecked(true);
        return;
    }
    // An exclusive group refuses to uncheck its checked button.
    buttons_->setExclusive(false);
    for (QAbstractButton* radio : buttons_->buttons()) radio->setChecked(false);
    buttons_->setExclusive(true);
}

QRadioButton* TRadioGroup::button(int index) const {
    return static_cast<QRadioButton*>(buttons_->button(index));
}

}  // namespace marklift
