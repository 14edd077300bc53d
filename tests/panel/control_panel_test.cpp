// The control panel window, the about box and the splash window on their
// own, offscreen: clicks by the panel's hit areas, found by object names.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <vector>

#include "platform/fake/virtual_clock.h"
#include "tests/support/qt_app.h"
#include "tests/support/screenshot.h"
#include "vorrak/panel/about_box.h"
#include "vorrak/panel/control_panel.h"
#include "vorrak/panel/skin.h"
#include "vorrak/panel/splash_window.h"

namespace zelkor::test {
namespace {

using namespace vorrak;

struct RecordingPanelHost : PanelHost {
    std::vector<uint32_t> commands;
    int exits = 0;
    int minimises = 0;
    bool selecting = false;
    PanelState state;

    void panelCommand(uint32_t id) override { commands.push_back(id); }
    bool regionSelectionRuns() override { return selecting; }
    void exitFromPanel() override { ++exits; }
    void minimiseFromPanel() override { ++minimises; }
    PanelState panelState() override { return state; }
    void panelClockTick() override {}
};

QPoint centreOf(const PanelRect& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class ControlPanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::qtApp();
        host_.state = {2, false, false, 0, 1002, 352, 240};
        panel_ = std::make_unique<ControlPanel>(host_, clock_, false);
        panel_->move(400, 300);
        panel_->show();
    }
    // The painted picture, drawn now.
    QImage picture() { return panel_->grab().toImage(); }

    RecordingPanelHost host_;
    platform::VirtualClock clock_{{2000, 5, 24, 3, 9, 48, 21, 0}};
    std::unique_ptr<ControlPanel> panel_;
};

TEST_F(ControlPanelTest, IsTheSkinsSizeWithNotchedBottomCorners) {
    ASSERT_EQ(QApplication::topLevelWidgets().contains(panel_.get()), true);
    EXPECT_EQ(panel_->objectName(), "128");
    EXPECT_EQ(panel_->size(), QSize(kPanelWidth, kPanelHeight));
    const QRegion shape = panel_->mask();
    EXPECT_TRUE(shape.contains(QPoint(0, 0)));
    EXPECT_TRUE(shape.contains(QPoint(358, 142)));
    EXPECT_TRUE(shape.contains(QPoint(6, 145)));
    EXPECT_FALSE(shape.contains(QPoint(2, 145)));
    EXPECT_FALSE(shape.contains(QPoint(357, 145)));
    EXPECT_FALSE(shape.contains(QPoint(359, 10)));
}

TEST_F(ControlPanelTest, ButtonsSendTheirCommandsInOrder) {
    for (const HitArea& hit : kHitAreas) {
        // The exit button hides the panel: each click finds it shown.
        panel_->show();
        QTest::mouseClick(panel_.get(), Qt::LeftButton, {}, centreOf(hit.area));
    }
    EXPECT_EQ(host_.commands, (std::vector<uint32_t>{40071, 106, 107, 40001}));
    EXPECT_EQ(host_.exits, 1);
    EXPECT_EQ(host_.minimises, 1);
    // While a region is chosen the start/stop button sends nothing.
    host_.commands.clear();
    host_.selecting = true;
    QTest::mouseClick(panel_.get(), Qt::LeftButton, {}, centreOf(kHitAreas[0].area));
    EXPECT_TRUE(host_.commands.empty());
}

TEST_F(ControlPanelTest, PressShowsThePressedImageAndSlidingOffSendsNothing) {
    const QPoint start = centreOf(kHitAreas[0].area);
    const QImage normal = picture();
    QTest::mousePress(panel_.get(), Qt::LeftButton, {}, start);
    EXPECT_EQ(panel_->pressState(), panel_button::StartStop);
    EXPECT_NE(picture().copy(41, 116, 69, 18), normal.copy(41, 116, 69, 18));
    QTest::mouseMove(panel_.get(), QPoint(200, 125));
    EXPECT_EQ(panel_->pressState(), kNothingPressed);
    EXPECT_EQ(picture().copy(41, 116, 69, 18), normal.copy(41, 116, 69, 18));
    QTest::mouseRelease(panel_.get(), Qt::LeftButton, {}, QPoint(200, 125));
    EXPECT_TRUE(host_.commands.empty());
    EXPECT_EQ(panel_->pos(), QPoint(400, 300));
}

TEST_F(ControlPanelTest, TitleKeysLookPressedWhileHeld) {
    const PanelRect exit = kHitAreas[3].area;
    const QRect piece(exit.left, exit.top, exit.width(), exit.height());
    const QImage normal = picture().copy(piece);
    QTest::mousePress(panel_.get(), Qt::LeftButton, {}, centreOf(exit));
    EXPECT_NE(picture().copy(piece), normal);
    QTest::mouseMove(panel_.get(), QPoint(300, 60));
    EXPECT_EQ(picture().copy(piece), normal);
    QTest::mouseRelease(panel_.get(), Qt::LeftButton, {}, QPoint(300, 60));
    EXPECT_EQ(host_.exits, 0);
}

TEST_F(ControlPanelTest, DraggingTheBarePanelMovesIt) {
    QTest::mousePress(panel_.get(), Qt::LeftButton, {}, QPoint(300, 60));
    QTest::mouseMove(panel_.get(), QPoint(320, 50));
    EXPECT_EQ(panel_->pos(), QPoint(420, 290));
    QTest::mouseRelease(panel_.get(), Qt::LeftButton, {}, QPoint(300, 60));
    EXPECT_TRUE(host_.commands.empty());
}

TEST_F(ControlPanelTest, TooltipsNameTheButtonUnderTheMouse) {
    auto tipAt = [this](QPoint at) {
        QHelpEvent help(QEvent::ToolTip, at, panel_->mapToGlobal(at));
        QApplication::sendEvent(panel_.get(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(tipAt(centreOf(kHitAreas[0].area)), "Start/Stop Oculara");
    EXPECT_EQ(tipAt(centreOf(kHitAreas[1].area)), "Setting for Oculara");
    EXPECT_EQ(tipAt(centreOf(kHitAreas[2].area)), "About");
    EXPECT_EQ(tipAt(centreOf(kHitAreas[3].area)), "Exit");
    EXPECT_EQ(tipAt(centreOf(kHitAreas[4].area)), "Minimize");
    EXPECT_EQ(tipAt(centreOf(kHitAreas[5].area)), "About");
    // On the bare panel the tip goes, after the toolkit's short delay.
    tipAt(QPoint(300, 60));
    QTest::qWait(500);
    EXPECT_FALSE(QToolTip::isVisible());
}

// The panel sits beside the video window, which is usually the active one:
// resting the mouse on a button must still name it.
TEST_F(ControlPanelTest, TooltipsShowWhileAnotherWindowIsActive) {
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    ASSERT_FALSE(panel_->isActiveWindow());
    // Through the window system, as a real mouse moves: only such moves
    // wake the toolkit's tips.
    QTest::mouseMove(panel_->windowHandle(), centreOf(kHitAreas[3].area));
    EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 5000));
    EXPECT_EQ(QToolTip::text(), "Exit");
    QToolTip::hideText();
}

TEST_F(ControlPanelTest, StateDisplayFollowsTheProgram) {
    picture();
    EXPECT_EQ(panel_->shownTexts().state, "StandBy");
    EXPECT_EQ(panel_->shownTexts().standard, "NTSC-M");
    EXPECT_EQ(panel_->shownTexts().input, "Composite");
    EXPECT_EQ(panel_->shownTexts().clock, "2000/5/24 9:48:21");
    EXPECT_EQ(panel_->shownTexts().size, "352 x 240");
    const QImage standby = picture();
    host_.state.guardActive = true;
    clock_.advance(61000);
    picture();
    EXPECT_EQ(panel_->shownTexts().state, "Vorrak");
    EXPECT_EQ(panel_->shownTexts().clock, "2000/5/24 9:49:22");
    // The button shows Stop now.
    EXPECT_NE(picture().copy(41, 116, 69, 18), standby.copy(41, 116, 69, 18));
}

TEST_F(ControlPanelTest, ClientSizeReadOutLastsUntilTheClockTicks) {
    panel_->showClientSize(500, 400);
    picture();
    EXPECT_EQ(panel_->shownTexts().size, "500 x 400");
    QTest::qWait(kPanelClockMs + 300);
    picture();
    EXPECT_EQ(panel_->shownTexts().size, "352 x 240");
}

TEST(AboutBox, ShowsTheChipTextAndOnlyOkEndsIt) {
    testing::qtApp();
    auto box = MakeAboutBox(nullptr, "Zelkor Oculara\nVersion 1.1\n(Test Card)");
    EXPECT_EQ(box->objectName(), "104");
    EXPECT_EQ(box->windowTitle(), "About Zelkor Oculara");
    EXPECT_TRUE(box->windowFlags() & Qt::WindowStaysOnTopHint);
    auto* text = qobject_cast<QLabel*>(DialogItem(*box, kAboutTextId));
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->text().startsWith("Zelkor Oculara\nVersion 1.1\n(Test Card)\n"));
    box->show();
    QTest::keyClick(box.get(), Qt::Key_Escape);
    EXPECT_TRUE(box->isVisible());
    box->close();
    EXPECT_TRUE(box->isVisible());
    auto* ok = qobject_cast<QPushButton*>(DialogItem(*box, kAboutOkId));
    ASSERT_NE(ok, nullptr);
    ok->click();
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(box->result(), QDialog::Accepted);
}

TEST(AboutBox, CarriesTheProgramIcon) {
    testing::qtApp();
    auto box = MakeAboutBox(nullptr, "x");
    int pictures = 0;
    for (const QLabel* label : box->findChildren<QLabel*>()) {
        if (!label->pixmap().isNull()) {
            EXPECT_EQ(label->pixmap().size(), QSize(kIconSize, kIconSize));
            ++pictures;
        }
    }
    EXPECT_EQ(pictures, 1);
}

TEST(Splash, CentredFramedPictureAboveEverything) {
    testing::qtApp();
    SplashWindow splash;
    EXPECT_EQ(splash.objectName(), "LOGOCLASS");
    splash.show();
    EXPECT_TRUE(splash.isVisible());
    EXPECT_TRUE(splash.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(splash.size(),
              QSize(kSplashWidth + 2 * kSplashFrame, kSplashHeight + 2 * kSplashFrame));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(splash.pos(),
              QPoint((screen.width() - kSplashWidth) / 2, (screen.height() - kSplashHeight) / 2));
    // The picture inside the frame is the splash bitmap, pixel for pixel.
    const QImage shown = splash.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QImage bitmap;
    const auto file = SkinBitmap(skin::Splash);
    ASSERT_TRUE(bitmap.loadFromData(file.data(), int(file.size()), "BMP"));
    EXPECT_EQ(shown.copy(kSplashFrame, kSplashFrame, kSplashWidth, kSplashHeight),
              bitmap.convertToFormat(QImage::Format_RGB32));
    splash.hide();
    EXPECT_FALSE(splash.isVisible());
}

}  // namespace
}  // namespace zelkor::test
