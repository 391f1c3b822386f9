// The wall clock behind "today" and the automatic export's schedule, as an
// interface so tests can set the time the program sees.
#pragma once

#include "tables/date.h"

namespace marklift {

struct LocalDateTime {
    Date date;
    int hours = 0;  // 0..23
    int minutes = 0;
    int seconds = 0;
    int milliseconds = 0;

    bool operator==(const LocalDateTime&) const = default;
};

class Clock {
public:
    virtual ~Clock() = default;
    // The local date and time of day.
    virtual LocalDateTime now() const = 0;
};

class SystemClock : public Clock {
public:
    LocalDateTime now() const override;
};

// The process's one system clock, for windows that have no clock given.
const Clock& systemClock();

// A clock that shows whatever time it was last set to.
class FakeClock : public Clock {
public:
    explicit FakeClock(LocalDateTime time) : time_(time) {}
    void set(LocalDateTime time) { time_ = time; }
    LocalDateTime now() const override { return time_; }

private:
    LocalDateTime time_;
};

}  // namespace marklift
