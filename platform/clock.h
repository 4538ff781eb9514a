#pragma once
// Time as the system sees it: a millisecond tick count, the local time and a
// blocking sleep. Injected so tests control time and never really wait.
#include <cstdint>

namespace orvex::platform {

struct LocalTime {
    int year = 1970;
    int month = 1;   // 1..12
    int day = 1;     // 1..31
    int weekday = 4; // 0 Sunday .. 6 Saturday
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t ticks() = 0;  // milliseconds, wrapping
    virtual LocalTime now() = 0;
    virtual void sleep(uint32_t milliseconds) = 0;
};

class SystemClock : public Clock {
public:
    uint32_t ticks() override;
    LocalTime now() override;
    void sleep(uint32_t milliseconds) override;
};

/// Time stands still until a test moves it; sleeping moves it.
class TestClock : public Clock {
public:
    uint32_t ticks() override { return tick; }
    LocalTime now() override { return time; }
    void sleep(uint32_t milliseconds) override {
        tick += milliseconds;
        slept += milliseconds;
        ++sleeps;
    }
    void advance(uint32_t milliseconds) { tick += milliseconds; }

    uint32_t tick = 0;
    uint64_t slept = 0;
    int sleeps = 0;
    LocalTime time{2026, 12, 8, 2, 10, 30, 0};
};

/// The clock the system reads. The system clock until a test installs its own.
Clock& clock();
/// Installs a clock (null restores the system clock); returns the previous one.
Clock* setClock(Clock* clock);

}  // namespace orvex::platform
