// The date type's texts, yyyymmdd and MM/dd/yyyy, across the years a field
// can hold and beyond them.
#include "tables/date.h"

#include <gtest/gtest.h>

namespace marklift {
namespace {

struct TextCase {
    int year, month, day;
    const char* yyyymmdd;
    const char* shortText;
};

TEST(DateText, BothFormsAcrossTheYears) {
    const TextCase cases[] = {
        {1, 1, 1, "00010101", "01/01/0001"},      {999, 12, 31, "09991231", "12/31/0999"},
        {1899, 12, 30, "18991230", "12/30/1899"}, {2004, 2, 29, "20040229", "02/29/2004"},
        {2024, 3, 15, "20240315", "03/15/2024"},  {9999, 12, 31, "99991231", "12/31/9999"},
    };
    for (const TextCase& c : cases) {
        const Date date = Date::fromYmd(c.year, c.month, c.day);
        EXPECT_EQ(date.toYyyymmdd(), c.yyyymmdd);
        EXPECT_EQ(date.toShortText(), c.shortText);
        EXPECT_EQ(Date::fromYyyymmdd(c.yyyymmdd), date);
        EXPECT_EQ(Date::fromShortText(c.shortText), date);
    }
    EXPECT_EQ(Date().toYyyymmdd(), "18991230");
    // Days beyond the years a field holds keep every digit.
    EXPECT_EQ(Date(Date::fromYmd(9999, 12, 31).days() + 1).toYyyymmdd(), "100000101");
    EXPECT_EQ(Date(Date::fromYmd(1, 1, 1).days() - 1).toShortText(), "12/31/0000");
    EXPECT_EQ(Date(Date::fromYmd(1, 1, 1).days() - 367).toYyyymmdd(), "-0011231");
}

}  // namespace
}  // namespace marklift
