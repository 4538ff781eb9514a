#include "platform/clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace orvex::platform {

namespace {
SystemClock systemClock;
Clock* current = nullptr;
}  // namespace

Clock& clock() { return current ? *current : systemClock; }

Clock* setClock(Clock* replacement) {
    Clock* previous = current ? current : &systemClock;
    current = replacement;
    return previous;
}

uint32_t SystemClock::ticks() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

LocalTime SystemClock::now() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_wday,
            tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

void SystemClock::sleep(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace orvex::platform
