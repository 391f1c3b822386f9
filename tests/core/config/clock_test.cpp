#include "core/config/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

namespace marklift {
namespace {

TEST(SystemClock, GivesTheLocalDateAndTimeOfDay) {
    const LocalDateTime before = systemClock().now();
    const LocalDateTime now = SystemClock().now();
    EXPECT_GE(now.date.year(), 2024);
    EXPECT_TRUE(Date::isValidYmd(now.date.year(), now.date.month(), now.date.day()));
    EXPECT_GE(now.hours, 0);
    EXPECT_LE(now.hours, 23);
    EXPECT_GE(now.minutes, 0);
    EXPECT_LE(now.minutes, 59);
    EXPECT_GE(now.seconds, 0);
    EXPECT_LE(now.seconds, 60);
    EXPECT_GE(now.milliseconds, 0);
    EXPECT_LE(now.milliseconds, 999);
    // Local time may be hours off UTC, but never more than a day.
    const auto utcDays = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
    const int utcSinceZero = static_cast<int>(utcDays.time_since_epoch().count()) + 25569;
    EXPECT_LE(std::abs(now.date.days() - utcSinceZero), 1);
    EXPECT_LE(before.date, now.date);
}

}  // namespace
}  // namespace marklift
