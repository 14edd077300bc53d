// The splash, the real Vorrak with its control panel, the setting bar, the
// about box and the password dialog on a real X server (Xvfb), left as
// screenshots under build/<preset>/screenshots.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/instance.h"
#include "tests/support/program_runner.h"
#include "tests/support/qt_app.h"
#include "tests/support/screenshot.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_screen.h"
#include "tests/support/xserver.h"
#include "vorrak/dialogs/setting_bar.h"
#include "vorrak/panel/skin.h"
#include "vorrak/panel/skin_pixmap.h"
#include "vorrak/panel/splash_window.h"
#include "vorrak/shell/access_password.h"
#include "vorrak/shell/startup.h"

namespace zelkor::test {
namespace {

using namespace vorrak;
using testing::grabScreen;
using testing::Program;
using testing::Xserver;

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

// The real program on the virtual card's walker scene, set up by VrakSetup
// with `setupArgs`, its windows on the test's X server.
class VorrakOnScreen : public PanelScreen {
  protected:
    std::unique_ptr<Program> start(const std::vector<std::string>& setupArgs,
                                   const std::vector<std::string>& env) {
        std::filesystem::create_directory(runtime);
        chmod(runtime.c_str(), 0700);
        std::ofstream(vcard) << "[card]\n\n[composite]\nsource = scene:" << scene << "\n";
        std::vector<std::string> args{"--workdir", dir.path() + "/work"};
        args.insert(args.end(), setupArgs.begin(), setupArgs.end());
        Program setup("VrakSetup", registry, runtime, dir.path() + "/setup.err",
                      testing::Screen::None, args);
        if (setup.wait() != 0) {
            ADD_FAILURE() << testing::readText(dir.path() + "/setup.err");
            return nullptr;
        }
        // On X11 the font and D-Bus libraries keep buffers for the life of
        // the process; under the leak checker they are not the program's
        // leaks.
        const std::string suppressions = dir.path() + "/lsan.supp";
        std::ofstream(suppressions) << "leak:libfontconfig\nleak:libdbus-1\n";
        std::vector<std::string> vorrakEnv{
            "ZELKOR_VCARD=" + vcard, std::string("DISPLAY=") + std::getenv("DISPLAY"),
            "QT_QPA_PLATFORM=xcb", "LSAN_OPTIONS=suppressions=" + suppressions};
        vorrakEnv.insert(vorrakEnv.end(), env.begin(), env.end());
        return std::make_unique<Program>("Vorrak", registry, runtime, errors(),
                                         testing::Screen::None, std::vector<std::string>{},
                                         vorrakEnv);
    }
    int send(const char* id) {
        Program sender(testing::binDir() + "/sendcommand", registry, runtime,
                       dir.path() + "/send.err", testing::Screen::None, {"ZelkorVorrak", id});
        return sender.wait();
    }
    std::string errors() const { return dir.path() + "/vorrak.err"; }
    // The main window, shown with the picture of the connected driver.
    std::optional<QRect> mainWindow() {
        const auto area = testing::waitForTopLevelWindow(kMainTitle, QSize(352, 240), 30000);
        EXPECT_TRUE(area) << testing::readText(errors());
        return area;
    }

    static constexpr const char* kMainTitle = "Zelkor Oculara";
    // The virtual card's scene: a person walking by, or a still picture.
    std::string scene = "walker";
    testing::TempDir dir;
    const std::string registry = dir.path() + "/registry.reg";
    const std::string runtime = dir.path() + "/runtime";
    const std::string vcard = dir.path() + "/vcard.ini";
};

// How the test's own Qt draws a dialog built from `dialogTemplate`, with
// Vorrak's icon: what Vorrak's window is to show.
QImage rendered(const DialogTemplate& dialogTemplate) {
    QApplication::setWindowIcon(ProgramIcon());
    const auto dialog = BuildDialog(dialogTemplate, nullptr);
    dialog->show();
    testing::processEventsFor(300);
    return dialog->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// What the screen shows of the window titled `title`, `size` big, saved as
// `name`: it is to look as the test's own Qt draws `dialogTemplate`
// (focus and caret aside), not be left blank or black.
void expectShownAsBuilt(const std::string& title, const QSize& size,
                        const DialogTemplate& dialogTemplate, const std::string& name) {
    const auto area = testing::waitForTopLevelWindow(title, size, 10000);
    ASSERT_TRUE(area) << title << " is not on the screen at " << size.width() << " x "
                      << size.height();
    testing::processEventsFor(500);
    const QImage shot = grabScreen(*area);
    EXPECT_TRUE(testing::saveScreenshot(shot, name));
    const QImage expected = rendered(dialogTemplate);
    ASSERT_EQ(expected.size(), size);
    EXPECT_LT(testing::meanDifference(shot, expected, QRect(QPoint(0, 0), size)), 8.0);
}

// The main window with the capture picture and the panel under it, the
// setting bar (command 106), then the about box that another program's
// command 40001 opens, then the end by command 40004.
TEST_F(VorrakOnScreen, WithItsPanelTheSettingBarAndTheAboutBox) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QImage empty = grabScreen(screen);
    const auto vorrak = start({"--no-password"}, {"ZELKOR_UI=console"});
    ASSERT_TRUE(vorrak);
    const auto instances = platform::makeInstances(runtime);
    QElapsedTimer t;
    t.start();
    while (!instances->exists(kVorrakClass) && t.elapsed() < 20000) {
        testing::processEventsFor(100);
    }
    ASSERT_TRUE(instances->exists(kVorrakClass)) << testing::readText(errors());
    // The picture settles and the clock has ticked.
    testing::processEventsFor(3000);
    const QRect around(screen.width() / 2 - 260, screen.height() / 3 - 140, 520, 560);
    const QImage windows = grabScreen(around);
    EXPECT_TRUE(testing::saveScreenshot(windows, "vorrak_main_window_with_panel"));
    EXPECT_GT(changedPoints(windows, empty.copy(around)), 2000);

    ASSERT_EQ(send("106"), 0);
    expectShownAsBuilt("Zelkor Oculara Setting", QSize(280, 39), SettingBarTemplate(),
                       "setting_bar_184_xvfb");

    ASSERT_EQ(send("40001"), 0);
    testing::processEventsFor(1500);
    const QImage about = grabScreen(around);
    EXPECT_TRUE(testing::saveScreenshot(about, "vorrak_about_box"));
    EXPECT_GT(changedPoints(about, windows), 200);

    ASSERT_EQ(send("40004"), 0);
    EXPECT_EQ(vorrak->wait(), 0) << testing::readText(errors());
}

// Started with a password set, Vorrak asks for it in dialog 206 before
// anything else; the end of the session ends it there.
TEST_F(VorrakOnScreen, AsksForThePasswordInItsDialog) {
    const auto vorrak = start({"--password", "guard"}, {});
    ASSERT_TRUE(vorrak);
    expectShownAsBuilt("Zelkor Oculara - Password Verification", QSize(280, 97), PasswordTemplate(),
                       "vorrak_password_dialog");
    vorrak->sendSignal(SIGTERM);
    EXPECT_EQ(vorrak->wait(), 0) << testing::readText(errors());
}

// A detection in guard mode opens the detected-event list. The list and the
// control panel belong to the main window: each is transient for it, so a
// taskbar shows the main window's entry alone, and nothing takes the main
// window off the taskbar.
TEST_F(VorrakOnScreen, ThePanelAndTheEventListBelongToTheMainWindow) {
    const auto vorrak = start({"--no-password"}, {"ZELKOR_UI=console"});
    ASSERT_TRUE(vorrak);
    ASSERT_TRUE(mainWindow());
    testing::processEventsFor(1500);
    ASSERT_EQ(send("40071"), 0);
    const char* listTitle = "Oculara Detected Event List Log";
    QElapsedTimer t;
    t.start();
    while (!testing::findTopLevelWindow(listTitle) && t.elapsed() < 30000) {
        testing::processEventsFor(200);
    }
    const auto windows = testing::topLevelWindows();
    const auto unowned = [](const testing::TopLevelWindow& w) { return w.transientFor == 0; };
    ASSERT_EQ(std::ranges::count_if(windows, unowned), 1);
    const auto main = std::ranges::find_if(windows, unowned);
    EXPECT_EQ(main->title, kMainTitle);
    EXPECT_EQ(main->place.size(), QSize(352, 240));
    EXPECT_THAT(main->states, ::testing::Not(::testing::Contains("_NET_WM_STATE_SKIP_TASKBAR")));
    std::vector<std::string> owned;
    for (const auto& w : windows) {
        if (w.id != main->id) {
            EXPECT_EQ(w.transientFor, main->id) << w.title;
            owned.push_back(w.title + ": " + (w.types.empty() ? "" : w.types.front()));
        }
    }
    EXPECT_THAT(owned,
                ::testing::IsSupersetOf({std::string(kMainTitle) + ": _NET_WM_WINDOW_TYPE_UTILITY",
                                         std::string(listTitle) + ": _NET_WM_WINDOW_TYPE_DIALOG"}));
    EXPECT_TRUE(testing::saveScreenshot(grabScreen(QGuiApplication::primaryScreen()->geometry()),
                                        "vorrak_event_list_xvfb"));
    vorrak->sendSignal(SIGTERM);
    EXPECT_EQ(vorrak->wait(), 0) << testing::readText(errors());
}

// The red pixels across each edge of the region frame from `r`'s top left
// to its bottom right, at a quarter, half and three quarters of the edge:
// two pixels wide, the edge's own and the one before it.
void expectRegionFrame(const QImage& shot, const QRect& r, const std::string& when) {
    struct Edge {
        const char* name;
        QPoint from;
        QPoint to;
        QPoint across;
    };
    const Edge edges[] = {{"top", r.topLeft(), r.topRight(), {0, 1}},
                          {"bottom", r.bottomLeft(), r.bottomRight(), {0, 1}},
                          {"left", r.topLeft(), r.bottomLeft(), {1, 0}},
                          {"right", r.topRight(), r.bottomRight(), {1, 0}}};
    for (const Edge& e : edges) {
        for (int quarter = 1; quarter <= 3; ++quarter) {
            const QPoint on = e.from + (e.to - e.from) * quarter / 4;
            std::vector<int> red;
            for (int d = -4; d <= 4; ++d) {
                if ((shot.pixel(on + e.across * d) & 0xFFFFFF) == 0xFF0000) {
                    red.push_back(d);
                }
            }
            EXPECT_EQ(red, (std::vector<int>{-1, 0}))
                << when << ", " << e.name << " edge at " << quarter << "/4";
        }
    }
}

// Waits for a message box of the program, then answers it with Enter as
// the user would.
void answerBoxWithEnter() {
    QElapsedTimer t;
    t.start();
    const auto boxShown = [] {
        const auto windows = testing::topLevelWindows();
        return std::any_of(windows.begin(), windows.end(), [](const auto& w) {
            return std::ranges::count(w.types, "_NET_WM_WINDOW_TYPE_DIALOG") != 0;
        });
    };
    while (!boxShown() && t.elapsed() < 20000) {
        testing::processEventsFor(100);
    }
    ASSERT_TRUE(boxShown());
    testing::processEventsFor(1000);
    testing::pressEnter();
    testing::processEventsFor(1000);
}

// With region comparison on, Vorrak starts by asking for the region: the
// user answers OK and drags it over the frozen picture, where its frame
// shows meanwhile; once the region is confirmed, guard mode draws the same
// frame over the live picture.
TEST_F(VorrakOnScreen, ShowsTheRegionFrameWhileDraggedAndInGuardMode) {
    scene = "static";
    const auto vorrak = start({"--no-password", "USEREGIONCOMPARE=1"}, {});
    ASSERT_TRUE(vorrak);
    const auto area = mainWindow();
    ASSERT_TRUE(area);
    answerBoxWithEnter();
    const QRect region(QPoint(60, 50), QPoint(240, 170));
    testing::moveMouse(area->topLeft() + region.topLeft());
    testing::pressLeftButton(true);
    testing::moveMouse(area->topLeft() + region.center());
    testing::moveMouse(area->topLeft() + region.bottomRight());
    testing::processEventsFor(800);
    const QImage dragged = grabScreen(*area);
    EXPECT_TRUE(testing::saveScreenshot(dragged, "vorrak_region_dragged"));
    expectRegionFrame(dragged, region, "dragged");
    EXPECT_LT(testing::colourShare(dragged, region, qRgb(0, 0, 0)), 0.5) << "no frozen picture";
    testing::pressLeftButton(false);
    answerBoxWithEnter();

    ASSERT_EQ(send("40071"), 0);
    testing::processEventsFor(1500);
    const QImage guarding = grabScreen(*area);
    EXPECT_TRUE(testing::saveScreenshot(guarding, "vorrak_region_guard_mode"));
    expectRegionFrame(guarding, region, "guard mode");
    vorrak->sendSignal(SIGTERM);
    EXPECT_EQ(vorrak->wait(), 0) << testing::readText(errors());
}

}  // namespace
}  // namespace zelkor::test
