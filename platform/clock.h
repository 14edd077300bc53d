#pragma once
// Local time, a monotonic clock and sleeping. Engine code takes the time only
// from here, so tests run it in virtual time.

#include <cstdint>

namespace zelkor::platform {

struct LocalTime {
    int year = 0;       // e.g. 2026
    int month = 0;      // 1-12
    int day = 0;        // 1-31
    int dayOfWeek = 0;  // 0 = Sunday
    int hour = 0;       // 0-23
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalTime localTime() = 0;
    // Milliseconds since an arbitrary fixed point; never goes back.
    virtual uint64_t monotonicMs() = 0;
    virtual void sleepMs(uint32_t ms) = 0;
};

Clock& systemClock();

}  // namespace zelkor::platform
