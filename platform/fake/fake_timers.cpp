#include "platform/fake/fake_timers.h"

#include <algorithm>

namespace zelkor::platform {

void FakeTimers::setTimer(TimerOwner owner, uint32_t id, uint32_t periodMs,
                          TimerCallback callback) {
    Entry& e = timers_[{owner, id}];
    e.periodMs = periodMs;
    e.due = clock_.monotonicMs() + effectiveTimerPeriod(periodMs);
    e.order = nextOrder_++;
    e.callback = std::move(callback);
}

void FakeTimers::killTimer(TimerOwner owner, uint32_t id) {
    timers_.erase({owner, id});
}

void FakeTimers::advance(uint64_t ms) {
    const uint64_t target = clock_.monotonicMs() + ms;
    for (;;) {
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second.due > target) {
                continue;
            }
            if (next == timers_.end() || it->second.due < next->second.due ||
                (it->second.due == next->second.due && it->second.order < next->second.order)) {
                next = it;
            }
        }
        if (next == timers_.end()) {
            break;
        }
        const uint64_t now = clock_.monotonicMs();
        if (next->second.due > now) {
            clock_.advance(next->second.due - now);
        }
        // The next period counts from this firing. Setting the order anew marks
        // this very setting: if the callback resets or kills the timer, the
        // entry afterwards is no longer the one that fired.
        const Key key = next->first;
        Entry& e = next->second;
        e.due += effectiveTimerPeriod(e.periodMs);
        const uint64_t order = e.order;
        const TimerCallback callback = e.callback;  // the callback may replace it
        ++fired_;
        callback();

        auto after = timers_.find(key);
        if (after != timers_.end() && after->second.order == order) {
            // A callback that slept past its next due time fires once late,
            // not once per missed period, as a message-queue timer does.
            after->second.due = std::max(after->second.due, clock_.monotonicMs());
        }
    }
    const uint64_t now = clock_.monotonicMs();
    if (target > now) {
        clock_.advance(target - now);
    }
}

bool FakeTimers::isSet(TimerOwner owner, uint32_t id) const {
    return timers_.contains({owner, id});
}

std::optional<uint32_t> FakeTimers::period(TimerOwner owner, uint32_t id) const {
    auto it = timers_.find({owner, id});
    if (it == timers_.end()) {
        return std::nullopt;
    }
    return it->second.periodMs;
}

std::optional<uint64_t> FakeTimers::nextDue(TimerOwner owner, uint32_t id) const {
    auto it = timers_.find({owner, id});
    if (it == timers_.end()) {
        return std::nullopt;
    }
    return it->second.due;
}

}  // namespace zelkor::platform
