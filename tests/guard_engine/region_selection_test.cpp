// Region selection without windows: the questions and their answers, the
// region as the mouse leaves it, and what is stored.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <string>
#include <vector>

#include "tests/guard_engine/engine_rig.h"
#include "vorrak/guard/region_selection.h"
#include "vorrak/guard/tracing.h"

namespace zelkor::vorrak {
namespace {

// The main window as selection sees it: every call recorded by name.
class RecordingRegionHost : public RegionHost {
  public:
    std::vector<std::string> calls;
    platform::RecordingCanvas frozen;

    void sendMessage(uint32_t message) override { calls.push_back(std::to_string(message)); }
    void showControlPanel(bool shown) override {
        calls.push_back(shown ? "showControlPanel" : "hideControlPanel");
    }
    void freezePicture() override { calls.push_back("freezePicture"); }
    platform::Canvas& frozenPictureCanvas() override { return frozen; }
    void invalidateMainWindow(bool erase) override {
        calls.push_back(erase ? "invalidate(erase)" : "invalidate");
    }
};

class RegionSelectionTest : public ::testing::Test {
  protected:
    Vorrak& v() { return rig.vorrak; }
    VorrakServices& s() { return *rig.services; }
    // StartRegionSelection answered OK, the records then cleared.
    void startDragging() {
        rig.ui.answers = {platform::answer::OK};
        StartRegionSelection(v(), s(), host);
        ASSERT_EQ(v().regionSelection.regionMode, 1u);
        host.calls.clear();
        host.frozen.drawn.clear();
        rig.host.calls.clear();
        rig.ui.boxes.clear();
    }
    void drag(int x0, int y0, int x1, int y1) {
        RegionButtonDown(v(), x0, y0);
        RegionMouseMove(v(), host, (x0 + x1) / 2, (y0 + y1) / 2);
        RegionButtonUp(v(), s(), host, x1, y1);
    }
    // A fresh selection dragged from (x0, y0) to (x1, y1) and confirmed.
    std::vector<int> confirmedRegion(int x0, int y0, int x1, int y1) {
        startDragging();
        rig.ui.answers = {platform::answer::YES};
        drag(x0, y0, x1, y1);
        return region();
    }
    std::vector<int> region() {
        const DetectRegion& r = v().capture.region;
        return {r.left, r.top, r.right, r.bottom};
    }
    std::string storedRegionCompare() {
        const platform::RegValue* value = rig.registry.value(kProductKey, "USEREGIONCOMPARE");
        return value ? std::string(value->data.begin(), value->data.end()) : "<missing>";
    }
    // The prompt on the frozen picture, in yellow across the frame.
    bool promptDrawn() {
        for (const platform::DrawnItem& d : host.frozen.drawn) {
            if (d.what == "text" && d.text == kRegionDragPrompt && d.colour == kYellow &&
                d.rect == platform::CanvasRect{0, 0, 352, 240} &&
                d.format == platform::text_format::SingleLine) {
                return true;
            }
        }
        return false;
    }

    test::EngineRig rig;
    RecordingRegionHost host;
};

TEST_F(RegionSelectionTest, CancelSwitchesRegionComparisonOffAndReconnects) {
    v().settings.USEREGIONCOMPARE = 1;
    rig.ui.answers = {platform::answer::CANCEL};
    StartRegionSelection(v(), s(), host);
    ASSERT_EQ(rig.ui.boxes.size(), 1u);
    EXPECT_EQ(rig.ui.boxes[0].text, kRegionDragQuestion);
    EXPECT_EQ(rig.ui.boxes[0].style,
              platform::mb::OKCANCEL | platform::mb::ICONQUESTION | platform::mb::TOPMOST);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"40020", "showControlPanel", "40021"}));
    EXPECT_EQ(v().regionSelection.regionMode, 0u);
    EXPECT_EQ(v().settings.USEREGIONCOMPARE, 0u);
}

TEST_F(RegionSelectionTest, OkFreezesThePictureAndPromptsOverIt) {
    rig.ui.answers = {platform::answer::OK};
    StartRegionSelection(v(), s(), host);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"40020", "hideControlPanel", "freezePicture"}));
    EXPECT_EQ(rig.host.count("repaintMainWindow"), 1u);
    EXPECT_EQ(v().regionSelection.regionMode, 1u);
    EXPECT_TRUE(promptDrawn());
}

TEST_F(RegionSelectionTest, AClickWithoutMovementIsInvalidAndDraggingGoesOn) {
    startDragging();
    RegionButtonDown(v(), 50, 60);
    RegionButtonUp(v(), s(), host, 50, 60);
    ASSERT_EQ(rig.ui.boxes.size(), 1u);
    EXPECT_EQ(rig.ui.boxes[0].text, kInvalidRegionMessage);
    EXPECT_EQ(rig.ui.boxes[0].style, platform::mb::ICONHAND | platform::mb::TOPMOST);
    EXPECT_EQ(v().regionSelection.regionMode, 1u);
    EXPECT_TRUE(promptDrawn());
    EXPECT_EQ(rig.host.count("repaintMainWindow"), 1u);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"invalidate(erase)", "hideControlPanel"}));
    EXPECT_EQ(storedRegionCompare(), "<missing>") << "nothing is stored before a confirmation";
}

TEST_F(RegionSelectionTest, AnyDirectionGivesTheSameRegionAndYesStoresIt) {
    startDragging();
    rig.ui.answers = {platform::answer::YES};
    drag(300, 200, 40, 30);
    EXPECT_EQ(region(), (std::vector<int>{40, 30, 300, 200}));
    ASSERT_EQ(rig.ui.boxes.size(), 1u);
    EXPECT_EQ(rig.ui.boxes[0].text, kConfirmRegionQuestion);
    EXPECT_EQ(rig.ui.boxes[0].style,
              platform::mb::YESNO | platform::mb::ICONQUESTION | platform::mb::TOPMOST);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"invalidate", "invalidate(erase)",
                                                    "showControlPanel", "40021"}));
    EXPECT_EQ(v().regionSelection.regionMode, 0u);
    EXPECT_EQ(v().settings.USEREGIONCOMPARE, 1u);
    EXPECT_EQ(storedRegionCompare(), std::string("\x01\0\0\0", 4));

    EXPECT_EQ(confirmedRegion(40, 30, 300, 200), (std::vector<int>{40, 30, 300, 200}));
    // Across only one axis reversed too.
    EXPECT_EQ(confirmedRegion(40, 200, 300, 30), (std::vector<int>{40, 30, 300, 200}));
}

TEST_F(RegionSelectionTest, NoKeepsDraggingAndStillStoresTheSetting) {
    startDragging();
    rig.ui.answers = {platform::answer::NO};
    drag(10, 10, 100, 80);
    EXPECT_EQ(v().regionSelection.regionMode, 1u);
    EXPECT_TRUE(promptDrawn());
    EXPECT_EQ(host.calls,
              (std::vector<std::string>{"invalidate", "invalidate(erase)", "hideControlPanel"}));
    EXPECT_EQ(storedRegionCompare(), std::string("\0\0\0\0", 4));
}

TEST_F(RegionSelectionTest, ADragPastAnEdgeSelectsUpToThatEdge) {
    // Past the left and the top edge: the window reports negative points.
    EXPECT_EQ(confirmedRegion(200, 150, -30, -2), (std::vector<int>{0, 0, 200, 150}));
    EXPECT_EQ(confirmedRegion(100, 100, 5000, 999), (std::vector<int>{100, 100, 352, 240}));
}

TEST_F(RegionSelectionTest, ADragWhollyPastOneEdgeIsInvalid) {
    startDragging();
    drag(-10, 40, -60, 200);
    ASSERT_EQ(rig.ui.boxes.size(), 1u);
    EXPECT_EQ(rig.ui.boxes[0].text, kInvalidRegionMessage);
    EXPECT_EQ(v().regionSelection.regionMode, 1u);
}

TEST_F(RegionSelectionTest, AConfirmedRegionIsTheOneTheNextGuardStartWatches) {
    confirmedRegion(0, 0, 64, 48);  // 4 x 3 blocks
    BuildRegionMask(v().guard.compare, v().settings.USEREGIONCOMPARE != 0, v().capture.region,
                    v().capture.FrameWidth, v().capture.FrameHeight);
    EXPECT_EQ(v().guard.compare.ActiveBlockCount, 12u);
}

TEST(RegionFrame, ASmallTracedBoxClearsTheCaptureWindowsMarksFirst) {
    test::EngineRig rig;
    platform::CaptureWindow& window = *rig.vorrak.capture.window;
    window.canvas().fillRect({200, 10, 260, 40}, 0x00FF00FF);  // an earlier mark
    DrawObjectBox(window.canvas(), 100, 50, 105, 150, 352, &window);
    const QImage shown = static_cast<vcard::VirtualCaptureWindow&>(window).shownImage();
    EXPECT_NE(shown.pixelColor(230, 25), QColor(255, 0, 255));
    const QColor frame = shown.pixelColor(100, 100);
    EXPECT_TRUE(frame.red() > 200 && frame.green() > 200 && frame.blue() < 60)
        << frame.name().toStdString();
}

// Red pixels of the shown picture on a run across one edge of the frame.
int redAcross(const QImage& shown, int x, int y, int dx, int dy, int steps) {
    int red = 0;
    for (int i = 0; i < steps; ++i, x += dx, y += dy) {
        const QColor c = shown.pixelColor(x, y);
        red += c.red() > 200 && c.green() < 60 && c.blue() < 60 ? 1 : 0;
    }
    return red;
}

TEST(RegionFrame, EveryScanShowsTheRegionInTheCaptureWindowTwoPixelsWide) {
    test::EngineRig rig;
    rig.vorrak.capture.region = {100, 60, 200, 160};
    rig.start();
    rig.run(3 * test::GuardSettings().scanTime);
    ASSERT_EQ(rig.vorrak.guardMode.active, 1u);
    const QImage shown =
        static_cast<vcard::VirtualCaptureWindow&>(*rig.vorrak.capture.window).shownImage();
    EXPECT_EQ(redAcross(shown, 150, 50, 0, 1, 20), 2);   // top
    EXPECT_EQ(redAcross(shown, 150, 150, 0, 1, 20), 2);  // bottom
    EXPECT_EQ(redAcross(shown, 90, 110, 1, 0, 20), 2);   // left
    EXPECT_EQ(redAcross(shown, 190, 110, 1, 0, 20), 2);  // right
    EXPECT_EQ(redAcross(shown, 130, 80, 1, 1, 40), 0);   // inside
}

}  // namespace
}  // namespace zelkor::vorrak
