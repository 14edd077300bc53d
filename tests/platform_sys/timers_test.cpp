#include <gtest/gtest.h>

#include <QTimer>
#include <string>
#include <vector>

#include "platform/fake/fake_timers.h"
#include "platform/qt/services.h"
#include "platform/timers.h"
#include "tests/support/qt_app.h"

namespace zelkor::platform {
namespace {

const int ownerA = 1;
const int ownerB = 2;

struct Firing {
    std::string name;
    uint64_t at;
    bool operator==(const Firing&) const = default;
};

TEST(FakeTimers, FiresInTimeOrderWithTiesInSettingOrder) {
    VirtualClock clock;
    FakeTimers timers(clock);
    std::vector<Firing> log;
    auto record = [&](std::string name) {
        return [&log, &clock, name] { log.push_back({name, clock.monotonicMs()}); };
    };
    timers.setTimer(&ownerB, 4, 300, record("b4"));
    timers.setTimer(&ownerA, 1, 200, record("a1"));
    timers.setTimer(&ownerA, 2, 300, record("a2"));

    timers.advance(650);
    EXPECT_EQ(log, (std::vector<Firing>{{"a1", 200},
                                        {"b4", 300},
                                        {"a2", 300},
                                        {"a1", 400},
                                        {"b4", 600},
                                        {"a1", 600},
                                        {"a2", 600}}));
    EXPECT_EQ(clock.monotonicMs(), 650u);
    EXPECT_EQ(timers.period(&ownerA, 2), 300u);
    EXPECT_EQ(timers.nextDue(&ownerA, 1), 800u);

    // Separate owners keep separate timers of the same id.
    timers.setTimer(&ownerB, 1, 1000, record("b1"));
    EXPECT_EQ(timers.period(&ownerA, 1), 200u);
    EXPECT_EQ(timers.period(&ownerB, 1), 1000u);
}

TEST(FakeTimers, KillAndResetFromInsideCallbacks) {
    VirtualClock clock;
    FakeTimers timers(clock);
    std::vector<Firing> log;
    int selfKills = 0;
    // Timer 1 kills itself on its second firing; timer 2 then kills timer 3,
    // which was due at the same moment, before it can fire.
    timers.setTimer(&ownerA, 1, 100, [&] {
        log.push_back({"t1", clock.monotonicMs()});
        if (++selfKills == 2) {
            timers.killTimer(&ownerA, 1);
        }
    });
    timers.setTimer(&ownerA, 2, 300, [&] {
        log.push_back({"t2", clock.monotonicMs()});
        timers.killTimer(&ownerA, 3);
    });
    timers.setTimer(&ownerA, 3, 300, [&] { log.push_back({"t3", clock.monotonicMs()}); });
    timers.advance(1000);
    EXPECT_EQ(log, (std::vector<Firing>{
                       {"t1", 100}, {"t1", 200}, {"t2", 300}, {"t2", 600}, {"t2", 900}}));
    EXPECT_FALSE(timers.isSet(&ownerA, 1));
    EXPECT_FALSE(timers.isSet(&ownerA, 3));

    // A timer that resets itself to a new period counts it from the reset,
    // and the callback it was reset with is what fires from then on.
    log.clear();
    timers.killTimer(&ownerA, 2);
    timers.setTimer(&ownerA, 5, 200, [&] {
        log.push_back({"slow", clock.monotonicMs()});
        timers.setTimer(&ownerA, 5, 2000, [&] { log.push_back({"new", clock.monotonicMs()}); });
    });
    timers.advance(5000);
    EXPECT_EQ(log, (std::vector<Firing>{{"slow", 1200}, {"new", 3200}, {"new", 5200}}));
    EXPECT_EQ(timers.period(&ownerA, 5), 2000u);
}

TEST(FakeTimers, ZeroPeriodAndSleepingCallbacksCannotSpin) {
    VirtualClock clock;
    FakeTimers timers(clock);
    int fired = 0;
    timers.setTimer(&ownerA, 1, 0, [&] { ++fired; });
    timers.advance(100);
    EXPECT_EQ(fired, int(100 / MinimumTimerPeriodMs));

    // A callback that sleeps for five periods fires once late, not five times.
    timers.killTimer(&ownerA, 1);
    std::vector<uint64_t> at;
    timers.setTimer(&ownerA, 2, 100, [&] {
        at.push_back(clock.monotonicMs());
        if (at.size() == 1) {
            clock.sleepMs(500);
        }
    });
    timers.advance(800);
    EXPECT_EQ(at, (std::vector<uint64_t>{200, 700, 800, 900}));
}

TEST(QtTimers, FireInTheEventLoopAndSurviveKillAndResetFromCallbacks) {
    QApplication& app = testing::qtApp();
    auto timers = makeQtTimers();
    std::vector<std::string> log;
    int selfResets = 0;
    timers->setTimer(&ownerA, 1, 10, [&] {
        log.push_back("once");
        timers->killTimer(&ownerA, 1);
    });
    timers->setTimer(&ownerA, 2, 40, [&] {
        log.push_back("reset");
        // Replace this very callback while it runs, then kill from the new one.
        if (++selfResets == 1) {
            timers->setTimer(&ownerA, 2, 20, [&] {
                log.push_back("replaced");
                timers->killTimer(&ownerA, 2);
                app.quit();
            });
        }
    });
    timers->killTimer(&ownerB, 9);                         // unknown: nothing happens
    QTimer::singleShot(5000, &app, [&] { app.exit(1); });  // safety net only
    EXPECT_EQ(app.exec(), 0);
    EXPECT_EQ(log, (std::vector<std::string>{"once", "reset", "replaced"}));
}

}  // namespace
}  // namespace zelkor::platform
