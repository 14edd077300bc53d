// A camera that loses its signal in mid-guard and gets it back: neither the
// loss nor the return is an event, and the guard watches afresh after it.

#include <gtest/gtest.h>

#include <sstream>

#include "tests/guard_engine/engine_rig.h"
#include "vorrak/guard/detection_cycle.h"

namespace zelkor::vorrak {
namespace {

using test::EngineRig;
using test::GuardSettings;
using test::SceneOptions;

// The walker crosses in the first half of each 8 s period.
SceneOptions walker() {
    SceneOptions options;
    options.scene = "walker";
    options.periodMs = 8000;
    return options;
}

TEST(SignalLoss, NeitherLossNorReturnIsAnEventButTheNextMovementIs) {
    EngineRig rig(walker());
    std::ostringstream log;
    rig.vorrak.signal.log = &log;
    rig.clock.advance(4200);  // the person has left
    rig.start();
    rig.run(800);
    rig.camera->on = false;
    rig.run(1500);
    EXPECT_EQ(rig.vorrak.guard.EventNumber, 0u) << "the loss";
    EXPECT_EQ(rig.vorrak.guardMode.active, 1u);
    rig.camera->on = true;
    rig.run(1000);
    EXPECT_EQ(rig.vorrak.guard.EventNumber, 0u) << "the return";
    EXPECT_EQ(log.str(), "Vorrak: no video signal\nVorrak: video signal back\n");
    rig.run(1500);  // the person comes back at 8 s
    EXPECT_GE(rig.vorrak.guard.EventNumber, 1u);
    EXPECT_TRUE(rig.boxTexts().empty());
}

// Tracing waits out the loss: the dark frames count neither as movement nor
// as stillness, so the release limit does not run out on them.
TEST(SignalLoss, TracingWaitsOutTheLossAndGoesOnAfterIt) {
    GuardSettings settings;
    settings.processStyle = 2;
    settings.releaseTime = 2;  // 5 still ticks of 400 ms
    EngineRig rig(walker(), settings);
    std::ostringstream log;
    rig.vorrak.signal.log = &log;
    rig.start();
    for (int i = 0; i < 100 && rig.vorrak.guard.EventNumber == 0; ++i) {
        rig.run(100);
    }
    ASSERT_EQ(rig.vorrak.guardMode.trace.tracing, 1u);
    const uint32_t still = rig.vorrak.guardMode.trace.stillCounter;
    rig.camera->on = false;
    rig.run(4000);
    EXPECT_EQ(rig.vorrak.guardMode.trace.tracing, 1u);
    EXPECT_EQ(rig.vorrak.guardMode.trace.stillCounter, still);
    EXPECT_TRUE(rig.historyLines().empty());
    rig.camera->on = true;
    for (int i = 0; i < 100 && rig.vorrak.guardMode.trace.tracing != 0; ++i) {
        rig.run(400);
    }
    EXPECT_EQ(rig.vorrak.guardMode.trace.tracing, 0u);
    EXPECT_EQ(rig.historyLines().size(), 1u);
    EXPECT_EQ(rig.vorrak.guard.EventNumber, 1u);
    EXPECT_EQ(log.str(), "Vorrak: no video signal\nVorrak: video signal back\n");
}

}  // namespace
}  // namespace zelkor::vorrak
