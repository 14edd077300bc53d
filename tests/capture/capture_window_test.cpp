// Connecting the capture driver to the capture window and back, and the
// frame size guard mode insists on.

#include <gtest/gtest.h>

#include "tests/capture/host_rig.h"

#include <QComboBox>
#include <QTimer>

#include <fstream>
#include <sstream>

#include "tests/support/screenshot.h"
#include "vorrak/capture/capture.h"
#include "vorrak/capture/capture_format.h"
#include "vorrak/hardware/picture_controls.h"

namespace zelkor::test {
namespace {

namespace vf = platform::video_format;
using vorrak::FrameStyle;
using Size = std::pair<uint32_t, uint32_t>;

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Answers the next format dialogs with these sizes, one per dialog.
void pickSizes(std::vector<QString> sizes) {
    if (sizes.empty()) {
        return;
    }
    QTimer::singleShot(0, [sizes] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* list = dialog->findChild<QComboBox*>("imageSize");
        list->setCurrentIndex(list->findText(sizes.front()));
        pickSizes({sizes.begin() + 1, sizes.end()});
        dialog->accept();
    });
}

TEST(CaptureWindow, CreationSetsTheFrameFromTheStandard) {
    VorrakRig v({}, 3);
    v.create();
    EXPECT_EQ(v.capture.FrameWidth, 352u);
    EXPECT_EQ(v.capture.FrameHeight, 288u);
    EXPECT_EQ(v.capture.blockColumns, 22u);
    EXPECT_EQ(v.capture.blockRows, 18u);
    EXPECT_EQ(v.capture.region.right, 352);
    EXPECT_EQ(v.capture.region.bottom, 288);
    EXPECT_EQ(v.host.resizes, (std::vector<Size>{{352, 288}}));
    EXPECT_EQ(v.host.posted, (std::vector<uint32_t>{vorrak::kStartUpMessage}));
    EXPECT_EQ(v.capture.driverIndex, v.rig.cardIndex());
    EXPECT_EQ(platform::widgetOf(v.capture.window->window())->parentWidget(), &v.host.window);
    EXPECT_EQ(platform::widgetOf(v.capture.window->window())->size(), QSize(0, 0));
    EXPECT_NE(readText(v.dir.file("system.ini")).find("[Zelkorcap.drv]\nNOOV=0"),
              std::string::npos);
    EXPECT_EQ(v.capture.CaptureState, vorrak::kCaptureNotConnected);
}

TEST(CaptureWindow, ConnectAndDisconnectChangeStateAndWindow) {
    VorrakRig v;
    v.create();
    v.settings.BRIGHTNESS = 127;
    v.options.captureAudio = true;
    v.host.resizes.clear();
    v.connect();
    EXPECT_EQ(v.capture.CaptureState, vorrak::kCaptureConnected);
    EXPECT_EQ(v.host.overlayStops, 1);
    EXPECT_EQ(v.host.styles, (std::vector<FrameStyle>{FrameStyle::DialogFrame}));
    EXPECT_EQ(v.host.resizes, (std::vector<Size>{{351, 239}, {352, 240}}));
    EXPECT_EQ(platform::widgetOf(v.capture.window->window())->geometry(), QRect(0, 0, 352, 240));
    platform::CaptureStatus status;
    ASSERT_TRUE(v.capture.window->getStatus(status));
    EXPECT_EQ(status.fOverlayWindow, 1u);
    EXPECT_FALSE(v.options.captureAudio);  // the card has no audio hardware
    EXPECT_NE(readText(v.dir.file("system.ini")).find("Brightness=128"), std::string::npos);
    EXPECT_TRUE(v.ui.boxes.empty());

    // A second connect does nothing.
    v.connect();
    EXPECT_EQ(v.host.resizes.size(), 2u);
    EXPECT_EQ(v.host.overlayStops, 1);

    vorrak::DisconnectCapture(v.capture, v.services);
    EXPECT_EQ(v.capture.CaptureState, vorrak::kCaptureNotConnected);
    EXPECT_EQ(v.host.overlayStarts, 1);
    EXPECT_EQ(v.host.styles.back(), FrameStyle::SizingFrame);
    EXPECT_EQ(v.host.resizes.back(), (Size{352, 240}));
    EXPECT_EQ(platform::widgetOf(v.capture.window->window())->size(), QSize(0, 0));
    EXPECT_FALSE(v.capture.window->getStatus(status));
    EXPECT_TRUE(v.rig.card.decoder()->outputOn());
    vorrak::DisconnectCapture(v.capture, v.services);
    EXPECT_EQ(v.host.overlayStarts, 1);

    // Audio hardware keeps the option.
    vcard::CaptureDriverConfig audio;
    audio.audioHardware = true;
    VorrakRig a(audio);
    a.create();
    a.options.captureAudio = true;
    a.connect();
    EXPECT_EQ(a.capture.audioAvailable, 1u);
    EXPECT_TRUE(a.options.captureAudio);
}

TEST(CaptureWindow, FailedConnectEndsTheProgram) {
    VorrakRig v;
    v.create();
    v.capture.driverIndex = 10;  // no driver was found
    v.host.resizes.clear();
    v.connect();
    EXPECT_EQ(v.capture.CaptureState, vorrak::kCaptureNotConnected);
    EXPECT_TRUE(v.host.destroyed);
    EXPECT_EQ(v.host.resizes, (std::vector<Size>{{351, 239}, {352, 240}}));
    ASSERT_EQ(v.ui.boxes.size(), 1u);
    EXPECT_EQ(v.ui.boxes[0].text, vorrak::kConnectFailedMessage);
    EXPECT_EQ(v.ui.boxes[0].title, "Zelkor Oculara");
    EXPECT_EQ(v.ui.boxes[0].style, platform::mb::ICONHAND | platform::mb::TOPMOST);
}

TEST(CaptureWindow, WrongSizeAsksUntilTheRightOneIsChosen) {
    vcard::CaptureDriverConfig ntscSized;
    ntscSized.size = {352, 240};
    VorrakRig v(ntscSized, 3);  // PAL settings
    v.create();
    pickSizes({"320 x 240", "352 x 288"});
    v.connect();
    EXPECT_EQ(v.capture.CaptureState, vorrak::kCaptureConnected);
    const std::string pal =
        "For Zelkor Oculara, The best Video size format is 352 x 288 (PAL mode) \nThe current "
        "image dimension is %s , Please select the correct dimension 352 x 288.";
    auto message = [&pal](const char* size) {
        std::string m = pal;
        return m.replace(m.find("%s"), 2, size);
    };
    EXPECT_EQ(v.boxTexts(), (std::vector<std::string>{message("352 x 240"), message("320 x 240")}));
    EXPECT_EQ(v.capture.FrameWidth, 352u);
    EXPECT_EQ(v.capture.FrameHeight, 288u);
    EXPECT_EQ(v.host.resizes.back(), (Size{352, 288}));
    EXPECT_EQ(platform::widgetOf(v.capture.window->window())->size(), QSize(352, 288));

    VorrakRig n(ntscSized, 0);
    n.create();
    n.connect();
    EXPECT_TRUE(n.ui.boxes.empty());
    EXPECT_EQ(vorrak::CheckCaptureSize(n.capture, n.services, n.settings), 1);
}

// Headless, the format dialog cannot be answered: it answers itself with
// the size of the decoder's standard, so the size check ends.
TEST(CaptureWindow, HeadlessTheSizeCheckEndsWithTheStandardsSize) {
    vcard::CaptureDriverConfig headless;
    headless.size = {352, 240};
    headless.consoleDialogs = true;
    VorrakRig v(headless, 3);  // PAL settings, and the decoder set to PAL
    vorrak::SelectStandard(v.rig.bus, 3);
    v.create();
    v.connect();
    EXPECT_EQ(v.capture.CaptureState, vorrak::kCaptureConnected);
    EXPECT_EQ(v.boxTexts().size(), 1u);
    EXPECT_EQ(v.capture.FrameWidth, 352u);
    EXPECT_EQ(v.capture.FrameHeight, 288u);
    EXPECT_EQ(vorrak::CheckCaptureSize(v.capture, v.services, v.settings), 1);
}

// A driver that connects but whose status cannot be read counts as failed,
// and is let go rather than left holding the device.
TEST(CaptureWindow, AConnectionWithoutStatusIsDisconnected) {
    struct StatuslessWindow : vcard::VirtualCaptureWindow {
        using VirtualCaptureWindow::VirtualCaptureWindow;
        bool getStatus(platform::CaptureStatus&) override { return false; }
    };
    VorrakRig v;
    auto window = std::make_unique<StatuslessWindow>(v.rig.card, v.rig.clock, v.driverConfig,
                                                     v.host.parentWindow());
    auto* driver = window.get();
    vorrak::CreateCaptureWindow(v.capture, v.services, v.settings, std::move(window),
                                v.rig.cardIndex());
    v.connect();
    EXPECT_EQ(v.capture.CaptureState, vorrak::kCaptureNotConnected);
    EXPECT_EQ(v.boxTexts(), (std::vector<std::string>{std::string(vorrak::kConnectFailedMessage)}));
    EXPECT_TRUE(v.host.destroyed);
    EXPECT_TRUE(driver->getVideoFormat().empty());  // what a disconnected driver answers
}

TEST(CaptureFormat, FrameAndRecordingFormats) {
    vcard::CaptureDriverConfig onlyOld;
    onlyOld.acceptZkv2 = false;
    VorrakRig v(onlyOld);
    v.create();
    v.connect();
    vf::Header h;
    ASSERT_EQ(vorrak::SetCaptureFormat(*v.capture.window, vorrak::kFrameFormatMode, 8), 1);
    ASSERT_TRUE(vf::decode(v.capture.window->getVideoFormat(), h));
    EXPECT_EQ(h.size, 40u);
    EXPECT_EQ(h.bitCount, 8);
    EXPECT_EQ(h.compression, vf::Rgb);
    EXPECT_EQ(h.sizeImage, 352u * 240u);
    // The driver refuses ZKV2, so it gets ZKV1 with 6.
    ASSERT_EQ(vorrak::SetCaptureFormat(*v.capture.window, vorrak::kRecordingFormatMode, 8), 1);
    ASSERT_TRUE(vf::decode(v.capture.window->getVideoFormat(), h));
    EXPECT_EQ(h.size, 48u);
    EXPECT_EQ(h.compression, vf::Zkv1);
    EXPECT_EQ(h.codecMode, 6u);
    EXPECT_EQ(h.sizeImage, 352u * 240u * 3u);

    vcard::CaptureDriverConfig neither = onlyOld;
    neither.acceptZkv1 = false;
    VorrakRig n(neither);
    n.create();
    n.connect();
    EXPECT_EQ(vorrak::SetCaptureFormat(*n.capture.window, vorrak::kRecordingFormatMode, 8), 0);
}

TEST(CaptureWindow, LooksRightOnScreen) {
    VorrakRig v;
    v.create();
    v.connect();
    v.host.window.show();
    v.rig.clock.advance(500);
    QApplication::processEvents();
    const QImage shot = v.host.window.grab().toImage();
    EXPECT_TRUE(testing::saveScreenshot(shot, "capture_window"));
    // The brightest region of the picture (bottom right) is lighter than the
    // darkest (top left).
    EXPECT_GT(qGray(shot.pixel(330, 220)), qGray(shot.pixel(20, 20)) + 60);
}

}  // namespace
}  // namespace zelkor::test
