#include "core/periods/period_choice.h"

#include <charconv>

namespace marklift {

int PeriodOfChoice(const std::string& choice) {
    int period = 0;
    const auto parsed = std::from_chars(choice.data(), choice.data() + choice.size(), period);
    return parsed.ec == std::errc() ? period : 0;
}

}  // namespace marklift
