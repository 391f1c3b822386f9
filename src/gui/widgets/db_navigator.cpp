#include "gui/widgets/db_navigator.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <functional>

#include "gui/settings/code_table_model.h"

namespace marklift {
namespace {

struct NavigatorButton {
    const char* glyph;
    const char* hint;
};
constexpr NavigatorButton kButtons[] = {{"|<", "Move to first record"},
                                        {"<<", "Move backward 10 records"},
                                        {"<", "Move to prior record"},
                                        {">", "Move to next record"},
                                        {">>", "Move forward 10 records"},
                                        {">|", "Move to last record"},
                                        {"All", "Select All"},
                                        {"None", "UnSelect"}};
constexpr int kMovingButtons = 6;
constexpr int kFirstRepeatMs = 500;
constexpr int kRepeatMs = 100;

}  // namespace

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        auto* button = new QToolButton(this);
        button->setText(kButtons[i].glyph);
        button->setToolTip(kButtons[i].hint);
        button->setFocusPolicy(Qt::NoFocus);
        if (i < kMovingButtons) {
            button->setAutoRepeat(true);
            button->setAutoRepeatDelay(kFirstRepeatMs);
            button->setAutoRepeatInterval(kRepeatMs);
        }
        layout->addWidget(button);
        buttons_[i] = button;
    }
    const std::function<void(CodeTableModel&)> moves[kMovingButtons] = {[](CodeTableModel& m) { m.first(); },
                                                                        [](CodeTableModel& m) { m.moveBy(-kPageRows); },
                                                                        [](CodeTableModel& m) { m.moveBy(-1); },
                                                                        [](CodeTableModel& m) { m.moveBy(1); },
                                                                        [](CodeTableModel& m) { m.moveBy(kPageRows); },
                                                                        [](CodeTableModel& m) { m.last(); }};
    for (int i = 0; i < kMovingButtons; ++i)
        connect(buttons_[static_cast<std::size_t>(i)], &QToolButton::clicked, this,
                [this, move = moves[i]] {
                    if (model_) move(*model_);
                });
}

void TDBNavigator::setDataSource(CodeTableModel* model) {
    model_ = model;
}

}  // namespace marklift
