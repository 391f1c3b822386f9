// The period an entry of the settings dialog's period lists stands for.
#include "core/periods/period_choice.h"

#include <gtest/gtest.h>

namespace marklift {
namespace {

TEST(PeriodOfChoice, TheNumberTheEntryBeginsWith) {
    const std::pair<const char*, int> cases[] = {
        {"1. Fall 2003", 1}, {"11. Spring 11", 11}, {"10. ", 10},
        {"2.  \tSPRING", 2}, {"Testing Period", 0}, {"", 0},
    };
    for (const auto& [choice, period] : cases) EXPECT_EQ(PeriodOfChoice(choice), period) << choice;
}

}  // namespace
}  // namespace marklift
