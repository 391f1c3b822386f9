// The progress window's texts: number patterns, the rate over whole
// seconds, the time still to go and the percentage.
#include "core/upload/progress_text.h"

#include <gtest/gtest.h>

using namespace marklift;

namespace {

const NumberSeparators kEnglish{",", "."};
const NumberSeparators kGerman{".", ","};

TEST(ProgressText, OneDecimalPatternGroupsThousandsWithTheUsersSeparators) {
    const struct {
        double value;
        const char* english;
        const char* german;
    } cases[] = {
        {0.0, "0.0", "0,0"},
        {0.04, "0.0", "0,0"},
        {0.06, "0.1", "0,1"},
        {9.96, "10.0", "10,0"},
        {999.94, "999.9", "999,9"},
        {999.96, "1,000.0", "1.000,0"},
        {1234.5, "1,234.5", "1.234,5"},
        {1234567.89, "1,234,567.9", "1.234.567,9"},
        {123456.0, "123,456.0", "123.456,0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatOneDecimal(c.value, kEnglish), c.english) << c.value;
        EXPECT_EQ(FormatOneDecimal(c.value, kGerman), c.german) << c.value;
    }
    EXPECT_EQ(FormatOneDecimal(1234.5, {"\xe2\x80\xaf", ","}),
              "1\xe2\x80\xaf"
              "234,5");
}

TEST(ProgressText, RecordTexts) {
    EXPECT_EQ(StartRecordsText(1000), "0 of 1000");
    EXPECT_EQ(RecordsText(250, 1000), "250 of 1000 records");
    EXPECT_EQ(RecordsText(12345, 12345), "12345 of 12345 records");
}

TEST(ProgressText, TheRateUsesTheWholeSecondsElapsedAndAtLeastOne) {
    const struct {
        std::int64_t bytes;
        std::int64_t elapsedMs;
        const char* text;
    } cases[] = {
        {0, 0, "0.0K written (0.0K/s)"},
        {10240, 999, "10.0K written (10.0K/s)"},  // under a second counts as one
        {10240, 2999, "10.0K written (5.0K/s)"},  // milliseconds dropped
        {1536000, 3000, "1,500.0K written (500.0K/s)"},
        {2048, 86400000 + 2000, "2.0K written (1.0K/s)"},  // the time of day of the span
    };
    for (const auto& c : cases) EXPECT_EQ(BytesText(c.bytes, c.elapsedMs, kEnglish), c.text);
    EXPECT_EQ(BytesText(1536000, 3000, kGerman), "1.500,0K written (500,0K/s)");
}

TEST(ProgressText, TheTimeToGoFollowsThePaceSoFar) {
    const struct {
        std::int64_t records;
        std::int64_t total;
        std::int64_t elapsedMs;
        const char* text;
    } cases[] = {
        {0, 1000, 5000, "00:00:00 remaining"},
        {250, 1000, 10000, "00:00:30 remaining"},  // a quarter in 10 s: 30 s to go
        {500, 1000, 3723000, "01:02:03 remaining"},
        {1, 3, 1500, "00:00:03 remaining"},
        {1000, 1000, 99000, "00:00:00 remaining"},
        {10, 1000, 1000000, "03:30:00 remaining"},  // 27:30:00 shown as a time of day
    };
    for (const auto& c : cases)
        EXPECT_EQ(RemainingTimeText(c.records, c.total, c.elapsedMs), c.text)
            << c.records << " of " << c.total;
}

TEST(ProgressText, PercentageIsRoundedToAWholeNumber) {
    EXPECT_EQ(PercentageText(0, 1000), "0%");
    EXPECT_EQ(PercentageText(250, 1000), "25%");
    EXPECT_EQ(PercentageText(1, 3), "33%");
    EXPECT_EQ(PercentageText(2, 3), "67%");
    EXPECT_EQ(PercentageText(1000, 1000), "100%");
    EXPECT_EQ(PercentageText(1, 150), "1%");
}

TEST(ProgressText, ElapsedTimeCountsWholeDays) {
    LocalDateTime start{Date::fromYmd(2024, 3, 15), 23, 59, 58, 500};
    LocalDateTime later{Date::fromYmd(2024, 3, 16), 0, 0, 1, 0};
    EXPECT_EQ(MillisecondsBetween(start, later), 2500);
    EXPECT_EQ(MillisecondsBetween(start, start), 0);
}

}  // namespace
