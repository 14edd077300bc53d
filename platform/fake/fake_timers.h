#pragma once
// Timers in virtual time for tests. advance() moves the clock and fires every
// timer that falls due on the way, in time order (timers due at the same
// moment fire in the order they were set); the clock reads each firing's own
// time inside its callback.

#include <cstdint>
#include <map>
#include <optional>
#include <utility>

#include "platform/fake/virtual_clock.h"
#include "platform/timers.h"

namespace zelkor::platform {

class FakeTimers : public Timers {
  public:
    explicit FakeTimers(VirtualClock& clock) : clock_(clock) {}

    void setTimer(TimerOwner owner, uint32_t id, uint32_t periodMs,
                  TimerCallback callback) override;
    void killTimer(TimerOwner owner, uint32_t id) override;

    // Moves virtual time forward by `ms`, firing what falls due.
    void advance(uint64_t ms);

    bool isSet(TimerOwner owner, uint32_t id) const;
    // The period the timer was set with; nothing when it is not set.
    std::optional<uint32_t> period(TimerOwner owner, uint32_t id) const;
    // When the timer fires next, in the clock's milliseconds.
    std::optional<uint64_t> nextDue(TimerOwner owner, uint32_t id) const;
    size_t count() const { return timers_.size(); }
    // How many callbacks have run since construction.
    uint64_t fired() const { return fired_; }

  private:
    using Key = std::pair<TimerOwner, uint32_t>;
    struct Entry {
        uint32_t periodMs = 0;
        uint64_t due = 0;
        uint64_t order = 0;  // when it was set, for ties
        TimerCallback callback;
    };

    VirtualClock& clock_;
    std::map<Key, Entry> timers_;
    uint64_t nextOrder_ = 0;
    uint64_t fired_ = 0;
};

}  // namespace zelkor::platform
