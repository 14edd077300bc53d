#include "platform/fake/virtual_clock.h"

#include <ctime>

namespace zelkor::platform {

VirtualClock::VirtualClock(LocalTime start) : start_(start) {}

LocalTime VirtualClock::localTime() {
    // Calendar arithmetic through timegm/gmtime keeps month and leap-year
    // rollover right without a time zone getting involved.
    std::tm tm{};
    tm.tm_year = start_.year - 1900;
    tm.tm_mon = start_.month - 1;
    tm.tm_mday = start_.day;
    tm.tm_hour = start_.hour;
    tm.tm_min = start_.minute;
    tm.tm_sec = start_.second;
    const uint64_t totalMs = uint64_t(start_.millisecond) + now_;
    const time_t t = timegm(&tm) + time_t(totalMs / 1000);
    std::tm out{};
    gmtime_r(&t, &out);
    return LocalTime{out.tm_year + 1900, out.tm_mon + 1, out.tm_mday, out.tm_wday,
                     out.tm_hour,        out.tm_min,     out.tm_sec,  int(totalMs % 1000)};
}

}  // namespace zelkor::platform
