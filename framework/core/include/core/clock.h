#pragma once
// The current local date and time, behind an interface so that tests can set it.
#include "core/datetime.h"

namespace lark::core {

class Clock {
public:
    virtual ~Clock();
    virtual DateTime Now() const = 0;
};

// The computer's local time, to the millisecond.
class SystemClock : public Clock {
public:
    DateTime Now() const override;
};

// A clock that shows whatever it was last set to.
class FixedClock : public Clock {
public:
    explicit FixedClock(DateTime now = 0) : now_(now) {}
    DateTime Now() const override { return now_; }
    void Set(DateTime now) { now_ = now; }
    void Advance(double days) { now_ += days; }

private:
    DateTime now_;
};

// The year of a clock's current date.
int CurrentYear(const Clock& clock);

}  // namespace lark::core
