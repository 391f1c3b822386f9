#include "core/config/clock.h"

#include <chrono>
#include <ctime>

namespace marklift {

LocalDateTime SystemClock::now() const {
    using namespace std::chrono;
    const system_clock::time_point now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    // Everything runs on the user-interface thread, so localtime's shared
    // result is safe to read here.
    const std::tm local = *std::localtime(&seconds);
    const auto sinceSecond = now - system_clock::from_time_t(seconds);
    LocalDateTime result;
    result.date = Date::fromYmd(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    result.hours = local.tm_hour;
    result.minutes = local.tm_min;
    result.seconds = local.tm_sec;
    result.milliseconds = static_cast<int>(duration_cast<milliseconds>(sinceSecond).count());
    return result;
}

const Clock& systemClock() {
    static const SystemClock clock;
    return clock;
}

}  // namespace marklift
