// Live video in a window on a real X server: the screen shows the decoder's
// picture scaled into the client area, the windows in front of it where
// they cover it, and nothing while it is minimised.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/fake/recording_ui.h"
#include "platform/qt/services.h"
#include "platform/qt/window.h"
#include "tests/support/program_runner.h"
#include "tests/support/qt_app.h"
#include "tests/support/screenshot.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_screen.h"
#include "tests/support/xserver.h"
#include "vcard/capture_frame.h"
#include "vcard/card.h"
#include "vcard/display_window.h"
#include "vcard/source.h"
#include "vorrak/hardware/detection.h"
#include "vorrak/hardware/picture_controls.h"
#include "vorrak/livevideo/livevideo.h"

namespace zelkor::test {
namespace {

using platform::DisplayRect;
using namespace vorrak;

// Until the port has delivered `fields` more fields (two make a frame) and
// the window has been painted after them; a slow machine gets up to 20 s.
void pumpFields(const vcard::CardDisplay& display, uint64_t fields) {
    const uint64_t until = display.portFields() + fields;
    QElapsedTimer t;
    t.start();
    while (display.portFields() < until && t.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

using testing::colourShare;
using testing::grabScreen;
using testing::meanDifference;
using testing::processEventsFor;

// The main window as live video sees it: it paints the colour key.
class LiveWindow : public QWidget, public LiveVideoHost {
  public:
    LiveVideo* live = nullptr;
    LiveVideoServices* services = nullptr;
    int quits = 0;

    platform::WindowHandle mainWindow() override { return platform::handleOf(this); }
    bool clientRectOnScreen(DisplayRect& r) override {
        const QPoint p = mapToGlobal(QPoint(0, 0));
        r = {p.x(), p.y(), p.x() + width(), p.y() + height()};
        return !isMinimized();
    }
    void hide() override { QWidget::hide(); }
    void invalidate() override { update(); }
    void quit() override { ++quits; }
    bool showsCapturePreview() override { return false; }
    void paintCaptureWindow() override {}

  protected:
    void paintEvent(QPaintEvent*) override {
        {
            // What the window shows where no key is painted: grey.
            QPainter p(this);
            p.fillRect(rect(), QColor(90, 90, 90));
        }
        if (live != nullptr) {
            PaintColorKey(*live, *services);
        }
    }
};

class LiveScreen : public ::testing::TestWithParam<QSize> {
  protected:
    void SetUp() override {
        if (!testing::Xserver::instance().running()) {
            GTEST_SKIP() << testing::Xserver::instance().why();
        }
        testing::qtApp();
        config_.composite.location = "scene:static";
        std::string why;
        card_ = std::make_unique<vcard::VirtualCard>(
            config_, platform::systemClock(), vcard::makeSource(config_.composite, why), nullptr);
        bus_ = std::make_unique<DecoderBus>(card_->ports(), platform::systemClock());
        bus_->BusMethod = 20;
        bus_->driveIndex = 0x37;
        bus_->senseIndex = 0x36;
        DecoderInit(*bus_);
        DecoderOutputOn(*bus_);
        windows_ = std::make_unique<vcard::QtWindowSystem>(card_->display());
        timers_ = platform::makeQtTimers();
        DisplayChipInfo chip;
        chip.fieldHeight60 = 242;
        params_ = MakeVideoPortParams(0, chip);
        window_ = std::make_unique<LiveWindow>();
        services_ = std::make_unique<LiveVideoServices>(
            LiveVideoServices{[this] { return card_->display().open(); }, ui_, *timers_, *window_,
                              params_, busMethod_, standard_});
        window_->live = &live_;
        window_->services = services_.get();
    }
    void TearDown() override {
        if (services_) {
            CloseLiveVideo(live_, *services_);
        }
    }

    // The decoder's picture as the window should show it: field columns 8 to
    // 711 (the crop of 8 pixels per 720 on each side) and its 240 lines,
    // scaled to the client size.
    QImage expected(const QSize& size) {
        vcard::VideoField f;
        card_->currentField(f);
        QImage out(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y) {
            const int line = y * f.height / size.height();
            const uint8_t* row = f.uyvy.data() + size_t(line) * 720 * 2;
            for (int x = 0; x < size.width(); ++x) {
                const int col = 8 + x * 704 / size.width();
                const uint8_t* pair = row + size_t(col & ~1) * 2;
                uint8_t r, g, b;
                vcard::yuvToRgb(row[col * 2 + 1], pair[0], pair[2], r, g, b);
                out.setPixel(x, y, qRgb(r, g, b));
            }
        }
        return out;
    }

    vcard::VcardConfig config_;
    std::unique_ptr<vcard::VirtualCard> card_;
    std::unique_ptr<DecoderBus> bus_;
    std::unique_ptr<vcard::QtWindowSystem> windows_;
    std::unique_ptr<platform::Timers> timers_;
    platform::RecordingUi ui_;
    VideoPortParams params_;
    int busMethod_ = 20;
    uint32_t standard_ = 0;
    std::unique_ptr<LiveWindow> window_;
    LiveVideo live_;
    std::unique_ptr<LiveVideoServices> services_;
};

TEST_P(LiveScreen, ShowsTheStaticSceneCoveredAndMinimised) {
    const QSize size = GetParam();
    const std::string name =
        "livevideo_" + std::to_string(size.width()) + "x" + std::to_string(size.height());
    window_->setWindowFlag(Qt::FramelessWindowHint);
    window_->setGeometry(QRect(QPoint(100, 100), size));
    window_->show();
    processEventsFor(200);
    ASSERT_EQ(OpenDisplayDevice(live_, *services_, false), 1);
    StartLiveVideoAtLaunch(live_, *services_);
    ASSERT_EQ(window_->quits, 0);
    ASSERT_TRUE(ui_.boxes.empty()) << ui_.boxes.front().text;
    pumpFields(card_->display(), 4);

    const QRect client(QPoint(100, 100), size);
    const QRect whole(QPoint(0, 0), size);
    QImage shot = grabScreen(client);
    testing::saveScreenshot(shot, name);
    EXPECT_LT(meanDifference(shot, expected(size), whole), 8.0);
    EXPECT_LT(colourShare(shot, whole, qRgb(255, 0, 255)), 0.01) << "the key colour shows";

    // A window of the program over the right half.
    QWidget cover;
    cover.setWindowFlag(Qt::FramelessWindowHint);
    cover.setAutoFillBackground(true);
    QPalette palette = cover.palette();
    palette.setColor(QPalette::Window, QColor(0, 200, 0));
    cover.setPalette(palette);
    const int half = size.width() / 2;
    cover.setGeometry(100 + half, 100, size.width() - half, size.height());
    cover.show();
    cover.raise();
    processEventsFor(400);
    pumpFields(card_->display(), 4);
    shot = grabScreen(client);
    testing::saveScreenshot(shot, name + "_covered");
    const QRect left(0, 0, half, size.height());
    const QRect right(half, 0, size.width() - half, size.height());
    EXPECT_LT(meanDifference(shot, expected(size), left), 8.0);
    EXPECT_GT(colourShare(shot, right, qRgb(0, 200, 0)), 0.99) << "the covering window shows";
    cover.hide();

    // Minimised: the overlay is hidden and nothing more is composed.
    window_->showMinimized();
    processEventsFor(600);
    const uint64_t composed = windows_->composedPixels();
    processEventsFor(400);
    EXPECT_FALSE(card_->display().overlayView().shown);
    EXPECT_EQ(windows_->composedPixels(), composed);
    testing::saveScreenshot(grabScreen(client), name + "_minimised");
}

INSTANTIATE_TEST_SUITE_P(Sizes, LiveScreen, ::testing::Values(QSize(352, 240), QSize(704, 480)),
                         [](const auto& info) {
                             return std::to_string(info.param.width()) + "x" +
                                    std::to_string(info.param.height());
                         });

// The real Vorrak on the static scene: once started, its main window shows
// the scene as the capture driver delivers it, 352 x 240.
TEST(VorrakScreen, MainWindowShowsTheStaticScene) {
    if (!testing::Xserver::instance().running()) {
        GTEST_SKIP() << testing::Xserver::instance().why();
    }
    testing::qtApp();
    testing::TempDir dir;
    const std::string registry = dir.file("registry.reg");
    const std::string runtime = dir.file("runtime");
    std::filesystem::create_directory(runtime);
    chmod(runtime.c_str(), 0700);
    const std::string vcardIni = dir.write("vcard.ini", "[composite]\nsource = scene:static\n");
    testing::Program setup("VrakSetup", registry, runtime, dir.file("setup.err"),
                           testing::Screen::None, {"--workdir", dir.file("work"), "--no-password"});
    ASSERT_EQ(setup.wait(), 0) << testing::readText(dir.file("setup.err"));

    // On a real X server Qt opens a D-Bus connection whose buffer the D-Bus
    // library never frees; a sanitizer build of Vorrak is not to blame.
    const std::string suppressions = dir.write("lsan.supp", "leak:libdbus-1\n");
    testing::Program vorrak("Vorrak", registry, runtime, dir.file("vorrak.err"),
                            testing::Screen::None, {},
                            {std::string("DISPLAY=") + std::getenv("DISPLAY"),
                             "QT_QPA_PLATFORM=xcb", "ZELKOR_UI=console", "ZELKOR_VCARD=" + vcardIni,
                             "LSAN_OPTIONS=suppressions=" + suppressions});
    // Shown, connected to the driver (its frame size) and painted a while.
    const auto area = testing::waitForTopLevelWindow("Zelkor Oculara", QSize(352, 240), 30000);
    ASSERT_TRUE(area) << testing::readText(dir.file("vorrak.err"));
    processEventsFor(1500);
    const QImage shot = grabScreen(*area);
    testing::saveScreenshot(shot, "vorrak_main_window_xvfb");

    // The same scene on a card of the test's own, as the driver frames it.
    vcard::VcardConfig config;
    config.composite.location = "scene:static";
    std::string why;
    vcard::VirtualCard card(config, platform::systemClock(),
                            vcard::makeSource(config.composite, why), nullptr);
    DecoderBus bus(card.ports(), platform::systemClock());
    DisplayChipInfo chip;
    DetectDisplayChip(card.pci(), bus, chip);
    DecoderInit(bus);
    DecoderOutputOn(bus);
    vcard::VideoField field;
    card.currentField(field);
    vcard::CaptureFrame frame;
    vcard::frameFromField(field, area->width(), area->height(), frame);
    QImage expected(area->width(), area->height(), QImage::Format_RGB32);
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            const size_t luma = size_t(y) * size_t(frame.width) + size_t(x);
            const size_t chroma = size_t(y) * size_t(frame.width / 2) + size_t(x / 2);
            uint8_t r, g, b;
            vcard::yuvToRgb(frame.y[luma], frame.u[chroma], frame.v[chroma], r, g, b);
            expected.setPixel(x, y, qRgb(r, g, b));
        }
    }
    const QRect whole(0, 0, area->width(), area->height());
    EXPECT_LT(meanDifference(shot, expected, whole), 8.0);
    EXPECT_LT(colourShare(shot, whole, qRgb(0, 0, 0)), 0.5) << "the window is empty";

    testing::Program send("sendcommand", registry, runtime, dir.file("send.err"),
                          testing::Screen::None, {"ZelkorVorrak", "40004"});
    EXPECT_EQ(send.wait(), 0);
    EXPECT_EQ(vorrak.wait(), 0) << testing::readText(dir.file("vorrak.err"));
}

}  // namespace
}  // namespace zelkor::test
