#include "gui/widgets/date_edit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

namespace marklift {
namespace {

const Date kEarlier = Date::fromYmd(2003, 1, 2);

QLineEdit* lineEditOf(TDateEdit& picker) {
    return picker.findChild<QLineEdit*>();
}

void typeAndConfirm(TDateEdit& picker, const QString& text) {
    QLineEdit* edit = lineEditOf(picker);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

struct TypedCase {
    const char* typed;
    Date expected;          // the zero date: empty
    const char* shownText;  // the text once editing is over
};

TEST(TDateEdit, ReadsTypedTextWithTwoDigitYearsFrom1950) {
    const TypedCase cases[] = {
        {"3/15/04", Date::fromYmd(2004, 3, 15), "03/15/2004"},
        {"3/15/50", Date::fromYmd(1950, 3, 15), "03/15/1950"},
        {"12/31/49", Date::fromYmd(2049, 12, 31), "12/31/2049"},
        {"1/1/99", Date::fromYmd(1999, 1, 1), "01/01/1999"},
        {"1/1/00", Date::fromYmd(2000, 1, 1), "01/01/2000"},
        {"03/15/2004", Date::fromYmd(2004, 3, 15), "03/15/2004"},
        {" 2/29/2004 ", Date::fromYmd(2004, 2, 29), "02/29/2004"},
        {"", Date(), ""},
        {"   ", Date(), ""},
        // Not dates: the picker keeps the date it had.
        {"2/30/2004", kEarlier, "01/02/2003"},
        {"13/1/2004", kEarlier, "01/02/2003"},
        {"3/15/204", kEarlier, "01/02/2003"},
        {"3/15", kEarlier, "01/02/2003"},
        {"tomorrow", kEarlier, "01/02/2003"},
    };
    for (const TypedCase& c : cases) {
        SCOPED_TRACE(c.typed);
        TDateEdit picker;
        picker.setDate(kEarlier);
        typeAndConfirm(picker, QString::fromLatin1(c.typed));
        EXPECT_EQ(picker.date(), c.expected);
        EXPECT_EQ(lineEditOf(picker)->text(), QString::fromLatin1(c.shownText));
    }
}

TEST(TDateEdit, StartsEmptyAndShowsSetDatesAsMonthDayYear) {
    TDateEdit picker;
    EXPECT_TRUE(picker.date().isZero());
    EXPECT_EQ(lineEditOf(picker)->text(), QString());

    picker.setDate(Date::fromYmd(2004, 3, 5));
    EXPECT_EQ(lineEditOf(picker)->text(), QStringLiteral("03/05/2004"));
    picker.setDate(Date());
    EXPECT_EQ(lineEditOf(picker)->text(), QString());
    EXPECT_TRUE(picker.date().isZero());
}

TEST(TDateEdit, TextBeingTypedCountsOnceItIsADate) {
    TDateEdit picker;
    picker.setDate(kEarlier);
    QLineEdit* edit = lineEditOf(picker);
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("3/15/200"));
    EXPECT_EQ(picker.date(), kEarlier);  // not yet a date
    QTest::keyClicks(edit, QStringLiteral("4"));
    EXPECT_EQ(picker.date(), Date::fromYmd(2004, 3, 15));
    edit->clear();
    EXPECT_TRUE(picker.date().isZero());
}

TEST(TDateEdit, PutsBackTheLastDateWhenFocusLeavesInvalidText) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* picker = new TDateEdit(&window);
    auto* other = new QLineEdit(&window);
    layout->addWidget(picker);
    layout->addWidget(other);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    picker->setDate(kEarlier);
    picker->setFocus();
    QLineEdit* edit = lineEditOf(*picker);
    ASSERT_TRUE(edit->hasFocus());
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("99/99/99"));
    other->setFocus();
    EXPECT_EQ(edit->text(), QStringLiteral("01/02/2003"));
    EXPECT_EQ(picker->date(), kEarlier);
}

TEST(TDateEdit, CalendarOpensFromTheKeyboardAndPicksTheDay) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* picker = new TDateEdit(&window);
    layout->addWidget(picker);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    picker->setDate(Date::fromYmd(2004, 3, 15));
    picker->setFocus();

    QTest::keyClick(lineEditOf(*picker), Qt::Key_Down, Qt::AltModifier);
    auto* calendar = picker->findChild<QCalendarWidget*>();
    ASSERT_NE(calendar, nullptr);
    ASSERT_TRUE(calendar->isVisible());
    EXPECT_EQ(calendar->selectedDate(), QDate(2004, 3, 15));

    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    QTest::keyClick(focused, Qt::Key_Right);
    QTest::keyClick(focused, Qt::Key_Return);
    EXPECT_FALSE(calendar->isVisible());
    EXPECT_EQ(picker->date(), Date::fromYmd(2004, 3, 16));
    EXPECT_EQ(lineEditOf(*picker)->text(), QStringLiteral("03/16/2004"));
}

TEST(TDateEdit, F4AlsoOpensTheCalendar) {
    TDateEdit picker;
    picker.show();
    QTest::keyClick(lineEditOf(picker), Qt::Key_F4);
    EXPECT_TRUE(picker.findChild<QCalendarWidget*>()->isVisible());
}

}  // namespace
}  // namespace marklift
