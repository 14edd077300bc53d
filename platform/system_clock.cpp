#include <cerrno>
#include <ctime>

#include "platform/clock.h"

namespace zelkor::platform {

namespace {

class SystemClock : public Clock {
  public:
    LocalTime localTime() override {
        timespec ts{};
        clock_gettime(CLOCK_REALTIME, &ts);
        std::tm tm{};
        localtime_r(&ts.tv_sec, &tm);
        return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_wday,
                         tm.tm_hour,        tm.tm_min,     tm.tm_sec,  int(ts.tv_nsec / 1000000)};
    }

    uint64_t monotonicMs() override {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return uint64_t(ts.tv_sec) * 1000 + uint64_t(ts.tv_nsec) / 1000000;
    }

    void sleepMs(uint32_t ms) override {
        timespec left{time_t(ms / 1000), long(ms % 1000) * 1000000L};
        // A signal must not cut the sleep short.
        while (nanosleep(&left, &left) != 0 && errno == EINTR) {
        }
    }
};

}  // namespace

Clock& systemClock() {
    static SystemClock clock;
    return clock;
}

}  // namespace zelkor::platform
