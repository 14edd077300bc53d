// The splash window's time on screen during start-up: up before the
// decoder is set up, down once the signal search is done, and left up when
// a later step refuses the start.

#include <gtest/gtest.h>

#include <optional>

#include "tests/guard_engine/engine_rig.h"
#include "tests/shell/no_live_video.h"
#include "vorrak/guard/event_history.h"
#include "vorrak/panel/skin.h"
#include "vorrak/shell/startup.h"

namespace zelkor::test {
namespace {

using namespace vorrak;

struct RecordingSplash : SplashScreen {
    Vorrak& v;
    platform::Clock& clock;
    bool shown = false;
    std::optional<uint64_t> shownAt;
    std::optional<uint64_t> hiddenAt;
    uint32_t frameWidth = 0;
    uint32_t frameHeight = 0;

    RecordingSplash(Vorrak& vorrak, platform::Clock& c) : v(vorrak), clock(c) {}
    void show() override {
        shown = true;
        shownAt = clock.monotonicMs();
        frameWidth = v.capture.FrameWidth;
        frameHeight = v.capture.FrameHeight;
    }
    void hide() override {
        shown = false;
        hiddenAt = clock.monotonicMs();
    }
};

TEST(SplashAtStartup, UpWhileTheHardwareIsPreparedAndDownAfterTheSignalSettles) {
    EngineRig rig;
    NoLiveVideo live;
    RecordingSplash splash(rig.vorrak, rig.clock);
    ASSERT_TRUE(PrepareRun(rig.vorrak, *rig.services, live, "/opt/oculara", &splash));
    ASSERT_TRUE(rig.vorrak.signalFound);
    ASSERT_TRUE(splash.shownAt && splash.hiddenAt);
    EXPECT_FALSE(splash.shown);
    // The frame size is the splash picture's while it is up.
    EXPECT_EQ(splash.frameWidth, uint32_t(kSplashWidth));
    EXPECT_EQ(splash.frameHeight, uint32_t(kSplashHeight));
    // The found picture settles for half a second before it goes.
    EXPECT_GE(*splash.hiddenAt - *splash.shownAt, 500u);
}

TEST(SplashAtStartup, StaysUpWhenTheHistoryFileRefusesTheStart) {
    EngineRig rig;
    rig.registry.putText(kProductKey, "WORKINGDIR", rig.workingDir + "/missing/folder");
    NoLiveVideo live;
    RecordingSplash splash(rig.vorrak, rig.clock);
    EXPECT_FALSE(PrepareRun(rig.vorrak, *rig.services, live, "/opt/oculara", &splash));
    EXPECT_TRUE(splash.shown);
    EXPECT_FALSE(splash.hiddenAt);
    ASSERT_FALSE(rig.ui.boxes.empty());
    EXPECT_EQ(rig.ui.boxes.back().text, kHistoryOpenFailedMessage);
}

}  // namespace
}  // namespace zelkor::test
