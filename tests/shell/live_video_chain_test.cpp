// The main window driving the real live video chain on the virtual card's
// display (offscreen, virtual time): the overlay from the start-up message
// until the capture driver takes over and back, the timer that follows the
// window, the colour key painted, a start that cannot get an overlay, and a
// change of the video standard.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QTest>

#include "platform/qt/window.h"
#include "tests/dialogs/modal_script.h"
#include "tests/shell/shell_rig.h"
#include "tests/support/qt_app.h"
#include "vcard/capture_window.h"
#include "vcard/display_window.h"
#include "vcard/source.h"
#include "vorrak/dialogs/setting_bar.h"
#include "vorrak/dialogs/video_source.h"

namespace zelkor::vorrak {
namespace {

using platform::DisplayRect;

class LiveVideoChainTest : public ::testing::Test {
  protected:
    LiveVideoChainTest() { testing::qtApp(); }

    // The program's order: the display device at start-up, then the window,
    // whose posted start-up message starts live video and connects the
    // capture driver.
    void startUp(const vcard::DisplayOptions* display = nullptr) {
        shell = std::make_unique<test::ShellRig>(test::LiveVideoKind::Chain);
        if (display != nullptr) {
            vcard::VcardConfig config;
            config.display = *display;
            std::string why;
            otherCard = std::make_unique<vcard::VirtualCard>(
                config, shell->rig.clock, vcard::makeSource(config.composite, why), nullptr);
            shell->displayCard = otherCard.get();
        }
        windows = std::make_unique<vcard::QtWindowSystem>(shell->displayCard->display());
        v().videoPortParams = MakeVideoPortParams(v().settings.VIDEOSTANDARD, v().chip);
        ASSERT_EQ(shell->live.OpenDisplayDevice(), 1) << boxes();
        vcard::installCaptureWindows(*shell->rig.card);
        v().capture.window.reset();
        v().capture.CaptureState = kCaptureNotConnected;
        window().create();
        window().move(100, 100);
        QCoreApplication::processEvents();
    }
    ~LiveVideoChainTest() override {
        windows.reset();
        shell.reset();
    }

    MainWindow& window() { return shell->window; }
    Vorrak& v() { return shell->v(); }
    vcard::CardDisplay& display() { return shell->displayCard->display(); }
    std::optional<uint32_t> livePeriod() {
        return shell->rig.timers.period(platform::handleOf(&window()), kLiveVideoTimer);
    }
    DisplayRect clientOnScreen() {
        DisplayRect r;
        window().clientRectOnScreen(r);
        return r;
    }
    std::string boxes() {
        std::string all;
        for (const std::string& text : shell->rig.boxTexts()) {
            all += text + "\n";
        }
        return all;
    }

    std::unique_ptr<vcard::VirtualCard> otherCard;
    std::unique_ptr<test::ShellRig> shell;
    std::unique_ptr<vcard::QtWindowSystem> windows;
};

TEST_F(LiveVideoChainTest, OverlayRunsUntilTheDriverConnectsAndComesBackAfter) {
    startUp();
    EXPECT_EQ(boxes(), "");
    // Started at launch, then closed for the driver's picture.
    EXPECT_EQ(display().overlayCreations(), 1u);
    EXPECT_EQ(v().capture.CaptureState, kCaptureConnected);
    EXPECT_FALSE(livePeriod().has_value());
    EXPECT_FALSE(display().overlayView().shown);

    window().message(kDisconnectCaptureMessage);
    EXPECT_EQ(display().overlayCreations(), 2u);
    EXPECT_EQ(livePeriod(), kLiveVideoPeriodMs);
    ASSERT_TRUE(display().overlayView().shown);
    EXPECT_EQ(display().overlayView().destination, clientOnScreen());

    // The window paints the key over its client area on the screen.
    window().repaint();
    bool keyed = false;
    for (const vcard::ScreenFill& fill : display().fills()) {
        keyed |= fill.rect == clientOnScreen() && fill.colour == v().live.colorKey;
    }
    EXPECT_TRUE(keyed);
    EXPECT_EQ(v().live.colorKey, 0xFF00FFu);

    // The overlay follows a moved window at the next tick.
    window().move(300, 200);
    QCoreApplication::processEvents();
    shell->rig.run(kLiveVideoPeriodMs);
    EXPECT_EQ(display().overlayView().destination, clientOnScreen());
    EXPECT_EQ(display().overlayView().destination.left, 300);

    window().message(kConnectCaptureMessage);
    EXPECT_FALSE(livePeriod().has_value());
    EXPECT_FALSE(display().overlayView().shown);
    EXPECT_EQ(v().live.device, nullptr);
}

// Without an overlay the program ends at launch and the rest of the
// start-up does not run; a port that does not start is only told.
TEST_F(LiveVideoChainTest, LaunchFailuresAreToldAndOnlyAMissingOverlayEndsTheProgram) {
    struct Case {
        bool vcard::DisplayOptions::*fault;
        bool value;
        std::string_view message;
        bool ends;
    };
    for (const Case& c :
         {Case{&vcard::DisplayOptions::autoFlip, false, kBandwidthMessage, true},
          Case{&vcard::DisplayOptions::portStartFails, true, kStartPortFailedMessage, false}}) {
        SCOPED_TRACE(std::string(c.message));
        vcard::DisplayOptions display;
        display.*c.fault = c.value;
        startUp(&display);
        EXPECT_EQ(boxes(), std::string(c.message) + "\n");
        EXPECT_EQ(window().isVisible(), !c.ends);
        EXPECT_EQ(v().capture.CaptureState, c.ends ? kCaptureNotConnected : kCaptureConnected);
        EXPECT_FALSE(livePeriod().has_value());
        EXPECT_EQ(v().live.device, nullptr);
        windows.reset();
        shell.reset();
    }
}

TEST_F(LiveVideoChainTest, AStandardChangeRebuildsTheChainForTheNewFieldHeight) {
    startUp();
    window().message(kDisconnectCaptureMessage);
    ASSERT_EQ(v().videoPortParams.fieldHeight, uint32_t(v().chip.fieldHeight60));
    const uint32_t made = display().overlayCreations();

    shell->live.ChangeVideoStandard(3);
    EXPECT_EQ(v().videoPortParams.fieldHeight, 288u);
    EXPECT_EQ(display().overlayCreations(), made + 1);
    ASSERT_NE(v().live.overlay, nullptr);
    // Interleaved: both fields of the 50 Hz standard.
    EXPECT_EQ(v().live.overlay->description().height, 2 * 288u);
    EXPECT_EQ(livePeriod(), kLiveVideoPeriodMs);
    EXPECT_TRUE(display().overlayView().shown);
}

TEST_F(LiveVideoChainTest, AStandardChosenInTheVideoSourceDialogRebuildsTheChainAtOnce) {
    startUp();
    window().message(kDisconnectCaptureMessage);
    test::letModalDialogsRun();
    test::whenModalOpens([&](QDialog& bar) {
        test::whenModalOpens([&](QDialog& source) {
            auto& list = test::item<QComboBox>(source, video_source::kStandardList);
            list.setFocus();
            for (int i = 0; i < 3; ++i) {
                QTest::keyClick(&list, Qt::Key_Down);
            }
            EXPECT_EQ(list.currentText(), "PAL - BGHI");
            EXPECT_EQ(v().videoPortParams.fieldHeight, 288u);
            ASSERT_NE(v().live.overlay, nullptr);
            EXPECT_EQ(v().live.overlay->description().height, 2 * 288u);
            test::click(source, video_source::kCancel);
        });
        test::click(bar, setting_bar::kVideoSource);
        bar.close();
    });
    window().command(command::Settings);
    // Cancel went back to the stored standard and its field height.
    EXPECT_EQ(v().settings.VIDEOSTANDARD, 0u);
    EXPECT_EQ(v().videoPortParams.fieldHeight, uint32_t(v().chip.fieldHeight60));
    EXPECT_TRUE(display().overlayView().shown);
}

}  // namespace
}  // namespace zelkor::vorrak
