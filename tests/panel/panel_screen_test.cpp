// The splash, the real Vorrak with its control panel, and the about box on
// a real X server (Xvfb), left as screenshots under build/<preset>/screenshots.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>

#include <filesystem>
#include <fstream>

#include "platform/instance.h"
#include "tests/support/program_runner.h"
#include "tests/support/qt_app.h"
#include "tests/support/screenshot.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xserver.h"
#include "vorrak/panel/skin.h"
#include "vorrak/panel/splash_window.h"
#include "vorrak/shell/startup.h"

namespace zelkor::test {
namespace {

using namespace vorrak;
using testing::Program;
using testing::Xserver;

QImage grabScreen(const QRect& r) {
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, r.x(), r.y(), r.width(), r.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// How many of a grid of points differ between two pictures of one size.
int changedPoints(const QImage& a, const QImage& b) {
    int changed = 0;
    for (int y = 0; y < a.height(); y += 4) {
        for (int x = 0; x < a.width(); x += 4) {
            changed += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
        }
    }
    return changed;
}

class PanelScreen : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!Xserver::instance().running()) {
            GTEST_SKIP() << Xserver::instance().why();
        }
        testing::qtApp();
    }
};

TEST_F(PanelScreen, SplashShowsItsPictureOnTheScreen) {
    SplashWindow splash;
    splash.show();
    testing::processEventsFor(500);
    const QRect picture(splash.pos() + QPoint(kSplashFrame, kSplashFrame),
                        QSize(kSplashWidth, kSplashHeight));
    const QImage shot = grabScreen(splash.frameGeometry());
    EXPECT_TRUE(testing::saveScreenshot(shot, "vorrak_splash"));
    QImage bitmap;
    const auto file = SkinBitmap(skin::Splash);
    ASSERT_TRUE(bitmap.loadFromData(file.data(), int(file.size()), "BMP"));
    EXPECT_EQ(grabScreen(picture), bitmap.convertToFormat(QImage::Format_RGB32));
    splash.hide();
}

// The real program on the virtual card's walker scene: the main window
// with the capture picture, the panel under it, then the about box that
// another program's command 40001 opens, then the end by command 40004.
TEST_F(PanelScreen, VorrakWithItsPanelAndTheAboutBox) {
    testing::TempDir dir;
    const std::string registry = dir.path() + "/registry.reg";
    const std::string runtime = dir.path() + "/runtime";
    const std::string vcard = dir.path() + "/vcard.ini";
    std::filesystem::create_directory(runtime);
    chmod(runtime.c_str(), 0700);
    std::ofstream(vcard) << "[card]\n\n[composite]\nsource = scene:walker\n";
    {
        Program setup("VrakSetup", registry, runtime, dir.path() + "/setup.err",
                      testing::Screen::None, {"--workdir", dir.path() + "/work", "--no-password"});
        ASSERT_EQ(setup.wait(), 0) << testing::readText(dir.path() + "/setup.err");
    }
    const std::string display = std::getenv("DISPLAY");
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QImage empty = grabScreen(screen);
    // On X11 the font and D-Bus libraries keep buffers for the life of the
    // process; under the leak checker they are not the program's leaks.
    const std::string suppressions = dir.path() + "/lsan.supp";
    std::ofstream(suppressions) << "leak:libfontconfig\nleak:libdbus-1\n";
    Program vorrak("Vorrak", registry, runtime, dir.path() + "/vorrak.err", testing::Screen::None,
                   {},
                   {"ZELKOR_VCARD=" + vcard, "ZELKOR_UI=console", "DISPLAY=" + display,
                    "QT_QPA_PLATFORM=xcb", "LSAN_OPTIONS=suppressions=" + suppressions});
    const auto instances = platform::makeInstances(runtime);
    QElapsedTimer t;
    t.start();
    while (!instances->exists(kVorrakClass) && t.elapsed() < 20000) {
        testing::processEventsFor(100);
    }
    ASSERT_TRUE(instances->exists(kVorrakClass)) << testing::readText(dir.path() + "/vorrak.err");
    // The picture settles and the clock has ticked.
    testing::processEventsFor(3000);
    const QRect around(screen.width() / 2 - 260, screen.height() / 3 - 140, 520, 560);
    const QImage windows = grabScreen(around);
    EXPECT_TRUE(testing::saveScreenshot(windows, "vorrak_main_window_with_panel"));
    EXPECT_GT(changedPoints(windows, empty.copy(around)), 2000);

    auto send = [&](const char* id) {
        Program sender(testing::binDir() + "/sendcommand", registry, runtime,
                       dir.path() + "/send.err", testing::Screen::None, {"ZelkorVorrak", id});
        return sender.wait();
    };
    ASSERT_EQ(send("40001"), 0);
    testing::processEventsFor(1500);
    const QImage about = grabScreen(around);
    EXPECT_TRUE(testing::saveScreenshot(about, "vorrak_about_box"));
    EXPECT_GT(changedPoints(about, windows), 200);

    ASSERT_EQ(send("40004"), 0);
    EXPECT_EQ(vorrak.wait(), 0) << testing::readText(dir.path() + "/vorrak.err");
}

}  // namespace
}  // namespace zelkor::test
