#pragma once
// Virtual time for tests: sleeping advances the clock at once.

#include "platform/clock.h"

namespace zelkor::platform {

class VirtualClock : public Clock {
  public:
    // The local time at monotonic 0; advancing moves both.
    explicit VirtualClock(LocalTime start = {2026, 12, 7, 1, 12, 0, 0, 0});

    LocalTime localTime() override;
    uint64_t monotonicMs() override { return now_; }
    void sleepMs(uint32_t ms) override { advance(ms); }

    void advance(uint64_t ms) {
        now_ += ms;
        slept_ += ms;
    }
    // Total virtual time passed by sleeping or advancing.
    uint64_t elapsedMs() const { return slept_; }

  private:
    LocalTime start_;
    uint64_t now_ = 0;
    uint64_t slept_ = 0;
};

}  // namespace zelkor::platform
