// The empty-or-date picker with its calendar drop-down.
#include "gui/widgets/date_edit.h"

#include <QCalendarWidget>
#include <QDate>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QToolButton>
#include <optional>

#include "gui/widgets/qt_text.h"

namespace marklift {
namespace {

// What the text says: the zero date when blank, nothing when not a date.
std::optional<Date> readText(const QString& text) {
    const std::string typed = fromQString(text.trimmed());
    if (typed.empty()) return Date();
    return Date::fromShortText(typed);
}

QString showText(Date date) {
    return date.isZero() ? QString() : toQString(date.toShortText());
}

}  // namespace

TDateEdit::TDateEdit(QWidget* parent)
    : QWidget(parent),
      edit_(new QLineEdit(this)),
      dropDown_(new QToolButton(this)),
      popup_(new QFrame(this, Qt::Popup)),
      calendar_(new QCalendarWidget(popup_)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(edit_);
    layout->addWidget(dropDown_);

    edit_->setMinimumWidth(edit_->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) +
                           edit_->textMargins().left() + edit_->textMargins().right() + 8);
    edit_->installEventFilter(this);
    setFocusProxy(edit_);
    setFocusPolicy(Qt::StrongFocus);

    dropDown_->setArrowType(Qt::DownArrow);
    dropDown_->setFocusPolicy(Qt::NoFocus);
    dropDown_->setToolTip(tr("Calendar (Alt+Down)"));

    calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    popup_->setFrameShape(QFrame::StyledPanel);
    auto* popupLayout = new QHBoxLayout(popup_);
    popupLayout->setContentsMargins(0, 0, 0, 0);
    popupLayout->addWidget(calendar_);

    connect(edit_, &QLineEdit::editingFinished, this, &TDateEdit::commitText);
    connect(dropDown_, &QToolButton::clicked, this, &TDateEdit::showCalendar);
    connect(calendar_, &QCalendarWidget::clicked, this, &TDateEdit::pickFromCalendar);
    connect(calendar_, &QCalendarWidget::activated, this, &TDateEdit::pickFromCalendar);
}

Date TDateEdit::date() const {
    return readText(edit_->text()).value_or(date_);
}

void TDateEdit::setDate(Date date) {
    date_ = date;
    edit_->setText(showText(date_));
}

bool TDateEdit::checkText() {
    if (readText(edit_->text())) return true;
    // Telling the user takes the focus away, which ends the editing again.
    if (!refusing_) {
        refusing_ = true;
        emit textRefused(edit_->text());
        refusing_ = false;
    }
    return false;
}

void TDateEdit::commitText() {
    if (checkText()) setDate(date());
}

void TDateEdit::showCalendar() {
    const Date current = date();
    calendar_->setSelectedDate(current.isZero()
                                   ? QDate::currentDate()
                                   : QDate(current.year(), current.month(), current.day()));
    popup_->adjustSize();
    // Below the picker, or above it where the screen ends.
    QPoint at = mapToGlobal(rect().bottomLeft());
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        if (at.y() + popup_->height() > area.bottom())
            at.setY(mapToGlobal(rect().topLeft()).y() - popup_->height());
        at.setX(qBound(area.left(), at.x(), area.right() - popup_->width()));
    }
    popup_->move(at);
    popup_->show();
    calendar_->setFocus(Qt::PopupFocusReason);
}

void TDateEdit::pickFromCalendar(const QDate& day) {
    popup_->hide();
    setDate(Date::fromYmd(day.year(), day.month(), day.day()));
    edit_->setFocus(Qt::PopupFocusReason);
}

bool TDateEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool altDown = key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier);
        if (altDown || key->key() == Qt::Key_F4) {
            showCalendar();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace marklift
