// TRadioGroup: a titled group of radio buttons read and set by index, where
// -1 means that no button is checked (which Qt's exclusive buttons alone
// cannot get back to).
#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace marklift {

class TRadioGroup : public QGroupBox {
    Q_OBJECT

public:
    TRadioGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr);

    int itemIndex() const;
    // An index outside the items checks none.
    void setItemIndex(int index);
    QRadioButton* button(int index) const;

private:
    QButtonGroup* buttons_;
};

}  // namespace marklift
