// TDateEdit: a date picker that may also be empty, which QDateEdit cannot
// be. A line edit shows the date as MM/dd/yyyy (nothing when empty); a
// drop-down button, Alt+Down or F4 opens a calendar.
#pragma once

#include <QWidget>

#include "tables/date.h"

class QCalendarWidget;
class QDate;
class QFrame;
class QLineEdit;
class QToolButton;

namespace marklift {

class TDateEdit : public QWidget {
    Q_OBJECT

public:
    explicit TDateEdit(QWidget* parent = nullptr);

    // The zero date when empty. Text being typed counts as soon as it reads
    // as a date (or is cleared); text that does not read as one leaves the
    // last date, and is refused when editing ends (textRefused), so that no
    // date the user did not type is used.
    Date date() const;
    void setDate(Date date);

    // True when the text reads as a date or is empty; otherwise refuses it.
    bool checkText();

    void showCalendar();

signals:
    // The text does not read as a date: whoever shows it says so and
    // gives the picker the focus back. Not raised again while that is shown.
    void textRefused(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void commitText();
    void pickFromCalendar(const QDate& day);

    QLineEdit* edit_;
    QToolButton* dropDown_;
    QFrame* popup_;
    QCalendarWidget* calendar_;
    Date date_;
    bool refusing_ = false;
};

}  // namespace marklift
