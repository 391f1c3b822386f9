#include <gtest/gtest.h>

#include <QImage>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <vector>

#include "gui/widgets/radio_group.h"
#include "gui/widgets/virtual_list_box.h"

namespace marklift {
namespace {

TEST(TVirtualListBox, AsksTheSourceForEachRowByIndex) {
    TVirtualListBox list;
    std::vector<int> asked;
    list.setItemSource([&asked](int row) {
        asked.push_back(row);
        return QStringLiteral("row %1").arg(row);
    });
    list.setCount(3);
    EXPECT_EQ(list.count(), 3);
    EXPECT_EQ(list.model()->rowCount(), 3);
    EXPECT_EQ(list.model()->data(list.model()->index(2, 0)).toString(), QStringLiteral("row 2"));
    EXPECT_EQ(asked.back(), 2);
}

TEST(TVirtualListBox, TabStopIsAQuarterOfTheAverageCharacterWidthPerDialogUnit) {
    TVirtualListBox list;
    QFont font = list.font();
    font.setPointSize(20);
    list.setFont(font);
    list.setTabStop(30);
    EXPECT_EQ(list.tabStopPixels(), 30 * QFontMetrics(font).averageCharWidth() / 4);
    EXPECT_GT(list.tabStopPixels(), 0);
}

// The column where a row's text resumes after its widest blank gap.
int columnAfterWidestGap(const QImage& image, const QRect& row) {
    int lastInk = -1, widestGap = 0, resumesAt = -1;
    for (int x = row.left(); x <= row.right(); ++x) {
        bool ink = false;
        for (int y = row.top(); y <= row.bottom() && !ink; ++y)
            ink = qGray(image.pixel(x, y)) < 128;
        if (!ink) continue;
        if (lastInk >= 0 && x - lastInk > widestGap) {
            widestGap = x - lastInk;
            resumesAt = x;
        }
        lastInk = x;
    }
    return resumesAt;
}

TEST(TVirtualListBox, TextAfterATabStartsAtTheTabStopSoNamesLineUp) {
    TVirtualListBox list;
    const QStringList rows = {QStringLiteral("1.  \tHHHH"), QStringLiteral("10.  \tHHHH")};
    list.setItemSource([&rows](int row) { return rows[row]; });
    list.setCount(2);
    list.setTabStop(30);
    list.resize(400, 120);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    const QImage image = list.viewport()->grab().toImage();

    const QRect first = list.visualRect(list.model()->index(0, 0));
    const QRect second = list.visualRect(list.model()->index(1, 0));
    const int nameAt = columnAfterWidestGap(image, first);
    ASSERT_GT(nameAt, 0);
    EXPECT_EQ(columnAfterWidestGap(image, second), nameAt);
    // The number starts near the left edge; the name a tab stop further on.
    EXPECT_GE(nameAt - first.left(), list.tabStopPixels());
    EXPECT_LT(nameAt - first.left(), list.tabStopPixels() + 12);
}

TEST(TVirtualListBox, ReportsEverySelectionChangeAndDropsASelectedRowThatGoes) {
    TVirtualListBox list;
    list.setItemSource([](int row) { return QString::number(row); });
    list.setCount(5);
    QSignalSpy changes(&list, &TVirtualListBox::selectedRowChanged);
    EXPECT_EQ(list.selectedRow(), -1);

    list.setSelectedRow(3);
    EXPECT_EQ(list.selectedRow(), 3);
    EXPECT_EQ(changes.count(), 1);

    list.setCount(4);  // row 3 stays
    EXPECT_EQ(list.selectedRow(), 3);
    EXPECT_EQ(changes.count(), 1);

    list.setCount(2);  // row 3 is gone
    EXPECT_EQ(list.selectedRow(), -1);
    EXPECT_EQ(changes.count(), 2);

    list.setSelectedRow(-1);  // nothing to change
    EXPECT_EQ(changes.count(), 2);
}

TEST(TVirtualListBox, SelectsByMouseAndKeyboard) {
    TVirtualListBox list;
    list.setItemSource([](int row) { return QString::number(row); });
    list.setCount(4);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));

    const QRect second = list.visualRect(list.model()->index(1, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(list.selectedRow(), 1);
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(list.selectedRow(), 2);
}

TEST(TRadioGroup, IndexMinusOneOrOutsideChecksNone) {
    TRadioGroup group(QStringLiteral("&Search"),
                      {QStringLiteral("Temporary"), QStringLiteral("Master")});
    EXPECT_EQ(group.itemIndex(), -1);
    group.setItemIndex(1);
    EXPECT_EQ(group.itemIndex(), 1);
    EXPECT_TRUE(group.button(1)->isChecked());
    group.setItemIndex(-1);
    EXPECT_EQ(group.itemIndex(), -1);
    EXPECT_FALSE(group.button(0)->isChecked());
    EXPECT_FALSE(group.button(1)->isChecked());
    group.setItemIndex(0);
    group.setItemIndex(7);
    EXPECT_EQ(group.itemIndex(), -1);
    // Still one at a time once a button is checked again.
    group.button(1)->click();
    group.button(0)->click();
    EXPECT_EQ(group.itemIndex(), 0);
    EXPECT_FALSE(group.button(1)->isChecked());
}

}  // namespace
}  // namespace marklift
