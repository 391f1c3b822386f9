#include "gui/widgets/date_edit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QStringList>
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
    bool refused;           // textRefused told of it
};

TEST(TDateEdit, ReadsTypedTextWithTwoDigitYearsFrom1950) {
    const TypedCase cases[] = {
        {"3/15/04", Date::fromYmd(2004, 3, 15), "03/15/2004", false},
        {"3/15/50", Date::fromYmd(1950, 3, 15), "03/15/1950", false},
        {"12/31/49", Date::fromYmd(2049, 12, 31), "12/31/2049", false},
        {"1/1/99", Date::fromYmd(1999, 1, 1), "01/01/1999", false},
        {"1/1/00", Date::fromYmd(2000, 1, 1), "01/01/2000", false},
        {"03/15/2004", Date::fromYmd(2004, 3, 15), "03/15/2004", false},
        {" 2/29/2004 ", Date::fromYmd(2004, 2, 29), "02/29/2004", false},
        {"", Date(), "", false},
        {"   ", Date(), "", false},
        // Not dates: refused where typed, the text left for the user to put
        // right; the picker's date is still the one it had.
        {"2/30/2004", kEarlier, "2/30/2004", true},
        {"13/45/2026", kEarlier, "13/45/2026", true},
        {"13/1/2004", kEarlier, "13/1/2004", true},
        {"3/15/204", kEarlier, "3/15/204", true},
        {"3/15", kEarlier, "3/15", true},
        {"tomorrow", kEarlier, "tomorrow", true},
    };
    for (const TypedCase& c : cases) {
        SCOPED_TRACE(c.typed);
        TDateEdit picker;
        picker.setDate(kEarlier);
        QStringList refused;
        QObject::connect(&picker, &TDateEdit::textRefused,
                         [&refused](const QString& text) { refused.append(text); });
        typeAndConfirm(picker, QString::fromLatin1(c.typed));
        EXPECT_EQ(picker.date(), c.expected);
        EXPECT_EQ(lineEditOf(picker)->text(), QString::fromLatin1(c.shownText));
        EXPECT_EQ(refused, c.refused ? QStringList{QString::fromLatin1(c.typed)} : QStringList{});
        EXPECT_EQ(picker.checkText(), !c.refused);
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

// Telling the user takes the focus from the picker, which ends its editing
// once more: the refusal is not told again while the first is shown.
TEST(TDateEdit, RefusesTextThatIsNoDateWhenFocusLeavesItOnce) {
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
    int refusals = 0;
    QObject::connect(picker, &TDateEdit::textRefused, [&](const QString& text) {
        ++refusals;
        EXPECT_EQ(text, QStringLiteral("99/99/99"));
        picker->setFocus();
        other->setFocus();  // what a message box does to the focus
        picker->setFocus();
    });
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("99/99/99"));
    other->setFocus();
    EXPECT_EQ(refusals, 1);
    EXPECT_EQ(edit->text(), QStringLiteral("99/99/99"));
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
