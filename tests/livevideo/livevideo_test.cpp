// Live video set-up, refresh and placement on the virtual card, driven by
// what the card's display reports.

#include <gtest/gtest.h>

#include "tests/livevideo/live_rig.h"
#include "vorrak/livevideo/placement.h"
#include "vorrak/resources/strings.h"

namespace zelkor::test {
namespace {

namespace dd = platform::display;
namespace mb = platform::mb;
using namespace vorrak;

vcard::DisplayOptions options(const std::function<void(vcard::DisplayOptions&)>& change) {
    vcard::DisplayOptions o;
    change(o);
    return o;
}

TEST(LiveVideoStart, AFullCardRunsAndFollowsTheWindow) {
    LiveRig rig;
    ASSERT_TRUE(rig.launch());
    EXPECT_TRUE(rig.ui.boxes.empty());
    EXPECT_EQ(rig.timerPeriod(), kLiveVideoPeriodMs);
    EXPECT_EQ(rig.live.bufferCount, 2u);
    EXPECT_EQ(rig.live.colorKey, 0xFF00FFu);
    EXPECT_EQ(rig.host.invalidated, 1);
    // 352 x 240 on BusMethod 20: PW 360, CL 4, CT 2, SB 242.
    EXPECT_EQ(rig.live.PW, 360u);
    EXPECT_EQ(rig.live.CL, 4u);
    EXPECT_EQ(rig.live.CT, 2u);
    EXPECT_EQ(rig.live.SB, 242u);
    vcard::OverlayView v = rig.overlay();
    EXPECT_TRUE(v.shown);
    EXPECT_TRUE(v.keyed);
    EXPECT_EQ(v.destination, rig.windows.client);
    EXPECT_EQ(v.source, (DisplayRect{4, 2, 356, 242}));

    // Moved, its right half covered: what is left is one rectangle, and the
    // overlay shows the left half of the picture there.
    rig.windows.client = {200, 150, 552, 390};
    rig.windows.covering = {{376, 0, 1280, 1024}};
    rig.timers.advance(kLiveVideoPeriodMs);
    v = rig.overlay();
    EXPECT_TRUE(v.shown);
    EXPECT_EQ(v.destination, (DisplayRect{200, 150, 376, 390}));
    EXPECT_EQ(v.source, (DisplayRect{4, 2, 180, 242}));

    // Covered in the middle: the visible part is several rectangles, so the
    // whole client area is keyed.
    rig.windows.covering = {{300, 0, 350, 1024}};
    rig.timers.advance(kLiveVideoPeriodMs);
    v = rig.overlay();
    EXPECT_TRUE(v.keyed);
    EXPECT_EQ(v.destination, rig.windows.client);

    // Minimised: hidden on every tick.
    rig.windows.minimised = true;
    rig.timers.advance(kLiveVideoPeriodMs);
    EXPECT_FALSE(rig.overlay().shown);
    rig.windows.minimised = false;
    rig.timers.advance(kLiveVideoPeriodMs);
    EXPECT_TRUE(rig.overlay().shown);
    EXPECT_TRUE(rig.ui.boxes.empty());
}

TEST(LiveVideoStart, UnaffordableKeyingShowsAnUncoveredWindowUnkeyed) {
    LiveRig rig(options([](auto& o) {
        o.bandwidthYInterpolate = 500;
        o.bandwidthColorKey = 500;
        o.bandwidthYInterpAndColorKey = 2000;
    }));
    ASSERT_TRUE(rig.launch());
    EXPECT_EQ(rig.live.keyingAffordable, 0u);
    EXPECT_TRUE(rig.overlay().shown);
    EXPECT_FALSE(rig.overlay().keyed);
    // Covered, it must be keyed all the same.
    rig.windows.covering = {{0, 0, 200, 200}};
    rig.timers.advance(kLiveVideoPeriodMs);
    EXPECT_TRUE(rig.overlay().shown);
    EXPECT_TRUE(rig.overlay().keyed);
}

struct OpenFailure {
    const char* name;
    std::function<void(vcard::DisplayOptions&)> change;
    std::string_view message;
};

TEST(LiveVideoStart, DisplayDeviceRefusalsTellTheUser) {
    const OpenFailure cases[] = {
        {"no video port", [](auto& o) { o.videoPort = false; }, kNoVideoPortMessage},
        {"no overlay", [](auto& o) { o.overlay = false; }, kNoOverlayMessage},
    };
    for (const OpenFailure& c : cases) {
        SCOPED_TRACE(c.name);
        LiveRig rig(options(c.change));
        EXPECT_FALSE(rig.launch());
        ASSERT_EQ(rig.ui.boxes.size(), 1u);
        EXPECT_EQ(rig.ui.boxes[0].text, c.message);
        EXPECT_EQ(rig.ui.boxes[0].title, resources::kTitle);
        EXPECT_EQ(rig.ui.boxes[0].style, mb::ICONEXCLAMATION);
        EXPECT_FALSE(rig.live.device) << "closed again";
    }
    LiveRig rig;
    rig.deviceAvailable = false;
    EXPECT_FALSE(rig.launch());
    ASSERT_EQ(rig.ui.texts(), std::vector<std::string>{std::string(kNoDisplayObjectMessage)});
}

TEST(LiveVideoStart, WithoutAutoFlipThereIsNoOverlayAndTheProgramEnds) {
    LiveRig rig(options([](auto& o) { o.autoFlip = false; }));
    EXPECT_FALSE(rig.launch());
    ASSERT_EQ(rig.ui.boxes.size(), 1u);
    EXPECT_EQ(rig.ui.boxes[0].text, kBandwidthMessage);
    EXPECT_EQ(rig.ui.boxes[0].style, mb::ICONEXCLAMATION | mb::TOPMOST);
    EXPECT_EQ(rig.host.hidden, 1);
    EXPECT_EQ(rig.host.quits, 1);
    EXPECT_EQ(rig.live.bandwidthFailure, 1u);
    EXPECT_FALSE(rig.live.port);
    EXPECT_EQ(rig.card->display().overlayCreations(), 0u);
}

TEST(LiveVideoStart, ASecondOverlayCreationAsksForOneLineMore) {
    LiveRig rig(options([](auto& o) { o.overlayFailures = 1; }));
    ASSERT_TRUE(rig.launch());
    EXPECT_TRUE(rig.ui.boxes.empty());
    EXPECT_EQ(rig.card->display().overlayCreations(), 2u);
    ASSERT_TRUE(rig.live.overlay);
    EXPECT_EQ(rig.live.overlay->description().height, 243u) << "field height + 1, not 2 x 242";
    EXPECT_EQ(rig.live.bufferCount, 2u);
}

TEST(LiveVideoStart, TwoFailedOverlayCreationsAreABandwidthFailure) {
    LiveRig rig(options([](auto& o) { o.overlayFailures = 2; }));
    EXPECT_FALSE(rig.launch());
    EXPECT_EQ(rig.ui.texts(), std::vector<std::string>{std::string(kBandwidthMessage)});
}

TEST(LiveVideoStart, APortThatWillNotStartIsToldAndTheProgramGoesOn) {
    LiveRig rig(options([](auto& o) { o.portStartFails = true; }));
    EXPECT_TRUE(rig.launch());
    ASSERT_EQ(rig.ui.boxes.size(), 1u);
    EXPECT_EQ(rig.ui.boxes[0].text, "Unable to start video port ");
    EXPECT_EQ(rig.ui.boxes[0].style, mb::ICONHAND | mb::TOPMOST);
    EXPECT_EQ(rig.host.hidden, 0);
    EXPECT_EQ(rig.host.quits, 0);
    EXPECT_FALSE(rig.timerPeriod()) << "no live video to follow";
}

TEST(LiveVideoStart, Family30HalvesThePrescaleWidthUntilThePortTakesIt) {
    LiveRig rig(options([](auto& o) { o.maxPrescaleWidth = 100; }), 30);
    rig.windows.client = {0, 0, 720, 480};
    ASSERT_TRUE(rig.launch());
    EXPECT_EQ(rig.live.attempt, 3u);
    EXPECT_EQ(rig.live.PW, 90u);
    EXPECT_TRUE(rig.ui.boxes.empty());
    // Family 20 has one width for the window and fails all five attempts.
    LiveRig other(options([](auto& o) { o.maxPrescaleWidth = 100; }), 20);
    other.windows.client = {0, 0, 720, 480};
    EXPECT_TRUE(other.launch());
    EXPECT_EQ(other.ui.texts(), std::vector<std::string>{"Unable to start video port "});
}

TEST(LiveVideoStart, InterleavedFieldsOnFamily20AtFullHeight) {
    LiveRig rig({}, 20, 0);
    rig.windows.client = {0, 0, 704, 480};
    ASSERT_TRUE(rig.launch());
    EXPECT_EQ(rig.live.CT, 4u);
    EXPECT_EQ(rig.live.SB, 484u);
    EXPECT_EQ(rig.live.overlay->description().height, 484u);
    EXPECT_EQ(rig.overlay().source, (DisplayRect{8, 4, 712, 484}));
}

TEST(LiveVideoRefresh, LostSurfacesAreRebuiltWithinTheTick) {
    LiveRig rig(options([](auto& o) { o.surfacesLostAfterMs = 1000; }));
    ASSERT_TRUE(rig.launch());
    const platform::Surface* before = rig.live.overlay.get();
    rig.timers.advance(1000);
    EXPECT_FALSE(rig.live.overlay->isLost()) << "the tick that found it lost made a new one";
    EXPECT_NE(rig.live.overlay.get(), before);
    EXPECT_TRUE(rig.overlay().shown);
    EXPECT_EQ(rig.live.restartNeeded, 0u);
    EXPECT_EQ(rig.timerPeriod(), kLiveVideoPeriodMs);
    EXPECT_TRUE(rig.ui.boxes.empty());
}

TEST(LiveVideoRefresh, AFailedRebuildIsTriedAgainAfterTwoSeconds) {
    LiveRig rig(options([](auto& o) { o.surfacesLostAfterMs = 1000; }));
    ASSERT_TRUE(rig.launch());
    rig.deviceAvailable = false;
    rig.timers.advance(1000);
    EXPECT_FALSE(rig.live.overlay);
    EXPECT_EQ(rig.timerPeriod(), kLiveVideoRetryMs);
    EXPECT_EQ(rig.live.restartNeeded, 1u);
    rig.timers.advance(1999);
    EXPECT_FALSE(rig.live.overlay);
    rig.deviceAvailable = true;
    rig.timers.advance(1);
    EXPECT_TRUE(rig.live.overlay);
    EXPECT_EQ(rig.timerPeriod(), kLiveVideoPeriodMs);
    EXPECT_TRUE(rig.ui.boxes.empty()) << "refresh failures are silent";
}

TEST(LiveVideoRefresh, ABandwidthFailureDuringRefreshEndsTheProgram) {
    LiveRig rig;
    ASSERT_TRUE(rig.launch());
    CloseLiveVideo(rig.live, rig.services);
    rig.card = nullptr;  // a different card: overlays can no longer be made
    vcard::VcardConfig config;
    config.display.overlayFailures = 1000;
    rig.card = std::make_unique<vcard::VirtualCard>(config, rig.clock, flat(60), nullptr);
    rig.card->display().setWindowSystem(&rig.windows);
    RefreshLiveVideo(rig.live, rig.services);
    EXPECT_EQ(rig.ui.texts(), std::vector<std::string>{std::string(kCantPlayMessage)});
    EXPECT_EQ(rig.ui.boxes[0].style, mb::ICONEXCLAMATION | mb::TOPMOST);
    EXPECT_EQ(rig.host.hidden, 1);
    EXPECT_EQ(rig.host.quits, 1);
}

TEST(LiveVideoRefresh, AStandardChangeRebuildsForTheNewFieldHeight) {
    LiveRig rig;
    ASSERT_TRUE(rig.launch());
    DisplayChipInfo chip;
    chip.fieldHeight60 = 242;
    rig.videoStandard = 3;
    ChangeLiveVideoStandard(rig.live, rig.services, rig.params, 3, chip);
    EXPECT_EQ(rig.params.fieldHeight, 288u);
    ASSERT_TRUE(rig.live.overlay);
    EXPECT_EQ(rig.live.overlay->description().height, 576u);
    // 50 Hz, H 240 <= 288: CT 1, SB = H.
    EXPECT_EQ(rig.live.CT, 1u);
    EXPECT_EQ(rig.live.SB, 240u);
    EXPECT_EQ(rig.timerPeriod(), kLiveVideoPeriodMs);
}

TEST(LiveVideoPlacement, AnEmptyWindowHidesTheOverlay) {
    LiveRig rig;
    ASSERT_TRUE(rig.launch());
    rig.windows.client = {100, 100, 100, 340};
    EXPECT_EQ(ProgramWithRetries(rig.live, rig.services), 0);
    EXPECT_FALSE(rig.overlay().shown);
    rig.windows.client = {100, 100, 452, 100};
    rig.timers.advance(kLiveVideoPeriodMs);
    EXPECT_FALSE(rig.overlay().shown);
}

TEST(LiveVideoPlacement, DestinationAndSourceFollowTheAlignment) {
    LiveRig rig(options([](auto& o) {
        o.alignBoundaryDest = 8;
        o.alignSizeDest = 16;
        o.alignBoundarySrc = 4;
        o.alignSizeSrc = 8;
    }));
    rig.windows.client = {101, 100, 453, 340};
    ASSERT_TRUE(rig.launch());
    const vcard::OverlayView v = rig.overlay();
    EXPECT_EQ(v.destination.left, 104);
    EXPECT_EQ(v.destination.width() % 16, 0);
    EXPECT_LE(v.destination.right, 453);
    EXPECT_EQ(v.source.left % 4, 0);
    EXPECT_EQ(v.source.width() % 8, 0);
}

TEST(LiveVideoPaint, TheColourKeyFillsTheVisibleClientArea) {
    LiveRig rig(options([](auto& o) { o.desktop = vcard::DesktopFormat::Rgb565; }));
    PaintColorKey(rig.live, rig.services);
    EXPECT_TRUE(rig.card->display().fills().empty()) << "no key chosen yet";
    ASSERT_TRUE(rig.launch());
    EXPECT_EQ(rig.live.colorKey, 0xF81Fu);
    rig.windows.covering = {{0, 0, 276, 1024}};
    PaintColorKey(rig.live, rig.services);
    const auto& fills = rig.card->display().fills();
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].colour, 0xF81Fu);
    EXPECT_EQ(fills[0].rect, (DisplayRect{276, 100, 452, 340})) << "only the uncovered half";

    rig.host.capturePreview = true;
    PaintColorKey(rig.live, rig.services);
    EXPECT_EQ(rig.host.capturePaints, 1);
    EXPECT_EQ(fills.size(), 1u);
}

TEST(LiveVideoClose, ReleasesEverythingAndStopsTheTimer) {
    LiveRig rig;
    ASSERT_TRUE(rig.launch());
    CloseLiveVideo(rig.live, rig.services);
    EXPECT_FALSE(rig.live.device || rig.live.container || rig.live.clipper || rig.live.port ||
                 rig.live.overlay || rig.live.primary);
    EXPECT_FALSE(rig.timerPeriod());
    EXPECT_FALSE(rig.card->display().runPort(0)) << "no port writes any more";
}

}  // namespace
}  // namespace zelkor::test
