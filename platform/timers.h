#pragma once
// Window timers: a periodic callback per (owner, id), as SetTimer/KillTimer.
// Setting a timer that exists restarts it with the new period and callback.

#include <cstdint>
#include <functional>

namespace zelkor::platform {

using TimerOwner = const void*;

// Periods are kept within these bounds, as window timers keep them: a zero
// period would otherwise fire without pause.
constexpr uint32_t MinimumTimerPeriodMs = 10;
constexpr uint32_t MaximumTimerPeriodMs = 0x7FFFFFFF;
constexpr uint32_t effectiveTimerPeriod(uint32_t periodMs) {
    return periodMs < MinimumTimerPeriodMs   ? MinimumTimerPeriodMs
           : periodMs > MaximumTimerPeriodMs ? MaximumTimerPeriodMs
                                             : periodMs;
}
using TimerCallback = std::function<void()>;

class Timers {
  public:
    virtual ~Timers() = default;
    virtual void setTimer(TimerOwner owner, uint32_t id, uint32_t periodMs,
                          TimerCallback callback) = 0;
    // Killing a timer that does not exist does nothing. A timer may kill
    // itself (or any other) from inside its callback.
    virtual void killTimer(TimerOwner owner, uint32_t id) = 0;
};

}  // namespace zelkor::platform
