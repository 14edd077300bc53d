// The main window by its object names: the accelerators, the popup menu's
// "Always On Top", dragging, and the commands that come from other
// programs, with the guard engine behind it on the virtual card.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <deque>
#include <filesystem>

#include "platform/qt/window.h"
#include "tests/dialogs/modal_script.h"
#include "tests/shell/shell_rig.h"
#include "tests/support/qt_app.h"
#include "tests/support/screenshot.h"
#include "vcard/avi_reader.h"
#include "vcard/capture_window.h"
#include "vorrak/dialogs/capture_settings.h"
#include "vorrak/dialogs/setting_bar.h"
#include "vorrak/dialogs/video_source.h"
#include "vorrak/guard/detection_cycle.h"

namespace zelkor::vorrak {
namespace {

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() {
        testing::qtApp();
        shell = std::make_unique<test::ShellRig>();
        window().resize(352, 240);
        window().move(100, 100);
        window().show();
        QApplication::setActiveWindow(&window());
    }
    MainWindow& window() { return shell->window; }
    Vorrak& v() { return shell->v(); }
    QShortcut* accelerator(uint32_t id) {
        return window().findChild<QShortcut*>(QString::number(id));
    }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&window(), Qt::Key(key), modifiers);
    }

    // Events as the engine leaves them in the slots.
    void raiseEvents(uint32_t count) {
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t n = ++v().guard.EventNumber;
            v().guard.eventSlotIndex = n % 100 == 0 ? 100 : n % 100;
            v().guard.eventSlots[v().guard.eventSlotIndex].description =
                "Event " + std::to_string(n);
        }
    }
    int listEntries() {
        QDialog* list = window().eventList().dialog();
        return list ? qobject_cast<QListWidget*>(DialogItem(*list, kEventListBox))->count() : -1;
    }
    std::vector<int> region() {
        const DetectRegion& r = v().capture.region;
        return {r.left, r.top, r.right, r.bottom};
    }
    // Region selection begun and answered OK, with `answers` for what follows.
    void startRegion(std::deque<int> answers) {
        shell->rig.ui.answers = {platform::answer::OK};
        shell->rig.ui.answers.insert(shell->rig.ui.answers.end(), answers.begin(), answers.end());
        window().startRegionSelection();
        ASSERT_EQ(v().regionSelection.regionMode, 1u);
        ASSERT_EQ(v().capture.CaptureState, kCaptureNotConnected);
    }

    std::unique_ptr<test::ShellRig> shell;
};

TEST_F(MainWindowTest, AcceleratorTableMapsKeysToCommands) {
    const std::pair<uint32_t, QKeySequence> table[] = {
        {command::CloseByEscape, QKeySequence(Qt::Key_Escape)},
        {command::Help, QKeySequence(Qt::Key_F1)},
        {command::MailWithoutEvent, QKeySequence(Qt::CTRL | Qt::Key_F12)},
        {command::GuardStartStop, QKeySequence(Qt::Key_F2)},
        {command::Settings, QKeySequence(Qt::Key_F3)},
        {command::EventList, QKeySequence(Qt::Key_F4)},
    };
    for (const auto& [id, key] : table) {
        QShortcut* shortcut = accelerator(id);
        ASSERT_NE(shortcut, nullptr) << id;
        EXPECT_EQ(shortcut->key(), key) << id;
        EXPECT_EQ(shortcut->context(), Qt::ApplicationShortcut) << id;
    }
}

TEST_F(MainWindowTest, F2StartsAndStopsGuardModeWithoutPassword) {
    v().settings.USESCHEDULE = 0;
    shell->rig.registry.putNumber(kProductKey, "USESCHEDULE", 0);
    press(Qt::Key_F2);
    EXPECT_EQ(v().guardMode.active, 1u);
    press(Qt::Key_F2);
    EXPECT_EQ(v().guardMode.active, 0u);
}

TEST_F(MainWindowTest, F2DoesNothingWhileTheDriverIsNotConnected) {
    v().capture.CaptureState = kCaptureNotConnected;
    press(Qt::Key_F2);
    EXPECT_EQ(v().guardMode.active, 0u);
    EXPECT_EQ(v().guardMode.pending, PendingStart::None);
}

TEST_F(MainWindowTest, EscapeIsIgnoredInGuardModeAndClosesOtherwise) {
    shell->rig.registry.putNumber(kProductKey, "USESCHEDULE", 0);
    window().command(command::GuardStartStop);
    ASSERT_EQ(v().guardMode.active, 1u);
    press(Qt::Key_Escape);
    EXPECT_TRUE(window().isVisible());
    window().command(command::GuardStartStop);
    ASSERT_EQ(v().guardMode.active, 0u);
    press(Qt::Key_Escape);
    EXPECT_FALSE(window().isVisible());
    // Closing let the capture driver go.
    platform::CaptureStatus status;
    EXPECT_FALSE(v().capture.window->getStatus(status));
}

TEST_F(MainWindowTest, F3WhileGuardingSaysSetupCannotRun) {
    shell->rig.registry.putNumber(kProductKey, "USESCHEDULE", 0);
    window().command(command::GuardStartStop);
    shell->rig.ui.boxes.clear();
    press(Qt::Key_F3);
    ASSERT_EQ(shell->rig.boxTexts().size(), 1u);
    EXPECT_EQ(shell->rig.boxTexts()[0], kSetupWhileGuardingMessage);
}

TEST_F(MainWindowTest, SettingsCommandOpensTheBarWhoseButtonsReachTheSetUp) {
    test::letModalDialogsRun();
    v().ProgramDir = "/opt/oculara";
    v().settings.BRIGHTNESS = 128;
    test::whenModalOpens([](QDialog& bar) {
        EXPECT_EQ(bar.objectName(), "184");
        test::whenModalOpens([](QDialog& source) {
            EXPECT_EQ(source.objectName(), "102");
            test::item<QScrollBar>(source, video_source::kBrightnessBar).setSliderPosition(90);
            test::click(source, video_source::kOk);
        });
        test::click(bar, setting_bar::kVideoSource);
        test::click(bar, setting_bar::kSetupWizard);
    });
    window().command(command::Settings);
    EXPECT_EQ(v().settings.BRIGHTNESS, 90u);
    EXPECT_EQ(shell->rig.card->decoder()->reg(0x0A), 90);
    ASSERT_EQ(shell->rig.recordedProcesses.commandLines.size(), 1u);
    EXPECT_NE(shell->rig.recordedProcesses.commandLines[0].find("/opt/oculara/VrakSetup"),
              std::string::npos);
    EXPECT_TRUE(shell->rig.boxTexts().empty());
}

TEST_F(MainWindowTest, SettingsCommandWhileTracingOpensNothing) {
    test::letModalDialogsRun();
    v().guardMode.trace.tracing = 1;
    bool opened = false;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            opened = true;
            dialog->close();
        }
    });
    window().command(command::Settings);
    QCoreApplication::processEvents();
    EXPECT_FALSE(opened);
    EXPECT_TRUE(shell->rig.boxTexts().empty());
    v().guardMode.trace.tracing = 0;
}

TEST_F(MainWindowTest, CaptureSettingsCommandOpensTheDialogThatClampsTheFrameRate) {
    test::letModalDialogsRun();
    test::whenModalOpens([](QDialog& d) {
        EXPECT_EQ(d.objectName(), "112");
        auto& rate = test::item<QLineEdit>(d, capture_settings::kFrameRate);
        rate.clear();
        QTest::keyClicks(&rate, "45");
        test::click(d, capture_settings::kOk);
    });
    window().command(command::CaptureSettings);
    EXPECT_EQ(v().settings.VIDEOFRAMERATE, 30u);
}

TEST_F(MainWindowTest, F1OpensTheHelpPageOrSaysItIsMissing) {
    v().HelpPath = "/opt/oculara/Help/Help.htm";
    press(Qt::Key_F1);
    ASSERT_EQ(shell->rig.shell.opened.size(), 1u);
    EXPECT_EQ(shell->rig.shell.opened[0], v().HelpPath);
    EXPECT_TRUE(shell->rig.boxTexts().empty());
    shell->rig.shell.results.push_back(2);
    press(Qt::Key_F1);
    ASSERT_EQ(shell->rig.boxTexts().size(), 1u);
    EXPECT_EQ(shell->rig.boxTexts()[0], kHelpMissingMessage);
    // The opener itself missing is not the page missing.
    shell->rig.shell.results.push_back(platform::kOpenerNotStarted);
    press(Qt::Key_F1);
    ASSERT_EQ(shell->rig.boxTexts().size(), 2u);
    EXPECT_EQ(shell->rig.boxTexts()[1],
              std::string(kHelpMissingMessage) + "\nCould not start \"xdg-open\", the program " +
                  "that opens files: install it (xdg-open comes with xdg-utils) or name another " +
                  "in the environment variable ZELKOR_OPENER.");
}

TEST_F(MainWindowTest, CtrlF12StartsTheMailerWithoutAnEvent) {
    v().ProgramDir = "/opt/oculara";
    press(Qt::Key_F12, Qt::ControlModifier);
    ASSERT_EQ(shell->rig.recordedProcesses.commandLines.size(), 1u);
    const std::string& line = shell->rig.recordedProcesses.commandLines[0];
    EXPECT_NE(line.find("/opt/oculara/email"), std::string::npos) << line;
    EXPECT_TRUE(line.ends_with("email")) << line;
}

TEST_F(MainWindowTest, AlwaysOnTopTogglesFromThePopupMenu) {
    QAction* item = window().popupMenu().findChild<QAction*>(QString::number(command::AlwaysOnTop));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), "Always On Top");
    EXPECT_FALSE(item->isChecked());
    item->trigger();
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(window().windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(v().AlwaysOnTop, 1u);
    EXPECT_TRUE(window().isVisible());
    item->trigger();
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(window().windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(v().AlwaysOnTop, 0u);
}

TEST_F(MainWindowTest, RunStyleTwoStartsOnTop) {
    v().settings.RUNSTYLE = 2;
    window().postCreationSetup();
    EXPECT_TRUE(window().windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(v().AlwaysOnTop, 1u);
}

TEST_F(MainWindowTest, DraggingPastTheTopEdgeKeepsTheWindowJustBelowIt) {
    ASSERT_EQ(window().frameGeometry().topLeft(), QPoint(100, 100));
    // Mouse positions on the screen, as the window moves under the mouse.
    const auto at = [this](int x, int y) { return window().mapFromGlobal(QPoint(x, y)); };
    QTest::mousePress(&window(), Qt::LeftButton, {}, at(150, 150));
    // An ordinary move follows both ways, even above the screen.
    QTest::mouseMove(&window(), at(160, 140));
    EXPECT_EQ(window().frameGeometry().topLeft(), QPoint(110, 90));
    QTest::mouseMove(&window(), at(160, -50));
    EXPECT_EQ(window().frameGeometry().topLeft(), QPoint(110, -100));
    // Above the top edge the next move puts it at top 2, following sideways.
    QTest::mouseMove(&window(), at(190, -60));
    EXPECT_EQ(window().frameGeometry().topLeft(), QPoint(140, 2));
    // At the left edge it only follows up and down, two pixels in.
    QTest::mouseMove(&window(), at(40, 30));
    EXPECT_EQ(window().frameGeometry().topLeft(), QPoint(-10, 92));
    QTest::mouseMove(&window(), at(20, 40));
    EXPECT_EQ(window().frameGeometry().topLeft(), QPoint(2, 102));
    QTest::mouseRelease(&window(), Qt::LeftButton, {}, at(20, 40));
    // Without the button nothing moves, and the size never changed.
    QTest::mouseMove(&window(), at(300, 300));
    EXPECT_EQ(window().frameGeometry().topLeft(), QPoint(2, 102));
    EXPECT_EQ(window().size(), QSize(352, 240));
}

TEST_F(MainWindowTest, TrayNotificationBringsHiddenWindowsBack) {
    window().setTrayCheck([] { return true; });
    window().hideToTray();
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(v().WindowsShown, 0u);
    window().message(kTrayMessage);
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(v().WindowsShown, 1u);
    EXPECT_FALSE(window().trayIconShown());
}

TEST_F(MainWindowTest, EachGuardStartUsesTheDefaultForAnOutOfRangeValueAndTellsItOnce) {
    shell->rig.registry.putNumber(kProductKey, "USESCHEDULE", 1);
    shell->rig.registry.putNumber(kProductKey, "PROCESSSTYLE", 1);
    shell->rig.registry.putNumber(kProductKey, "SENSIBILITY", 200);
    const auto told = [this] {
        return std::count_if(shell->rig.ui.boxes.begin(), shell->rig.ui.boxes.end(),
                             [](const auto& box) {
                                 return box.text.find("SENSIBILITY is 200") != std::string::npos;
                             });
    };
    for (int start = 0; start < 2; ++start) {
        press(Qt::Key_F2);
        ASSERT_EQ(v().guardMode.active, 1u);
        EXPECT_EQ(v().settings.SENSIBILITY, 90u);
        press(Qt::Key_F2);
    }
    EXPECT_EQ(told(), 1);
}

TEST_F(MainWindowTest, AWaitingStartTakesOnlyTheExitAndArmsOnlyOnAConnectedDriver) {
    shell->rig.registry.putNumber(kProductKey, "USESCHEDULE", 2);
    shell->rig.registry.putNumber(kProductKey, "DELAYTIME", 5000);
    press(Qt::Key_F2);
    ASSERT_EQ(v().guardMode.pending, PendingStart::Start);
    press(Qt::Key_Escape);
    EXPECT_TRUE(window().isVisible());
    bool barOpened = false;
    QTimer::singleShot(0, [&barOpened] {
        if (QWidget* bar = QApplication::activeModalWidget()) {
            barOpened = true;
            bar->close();
        }
    });
    press(Qt::Key_F3);
    QCoreApplication::processEvents();
    EXPECT_FALSE(barOpened);

    // The driver gone meanwhile: the start finds it so and arms nothing.
    window().message(kDisconnectCaptureMessage);
    shell->rig.run(5000);
    EXPECT_EQ(v().guardMode.pending, PendingStart::None);
    EXPECT_EQ(v().guardMode.active, 0u);

    window().message(kConnectCaptureMessage);
    press(Qt::Key_F2);
    ASSERT_EQ(v().guardMode.pending, PendingStart::Start);
    QTimer::singleShot(0, &window(), [this] { window().command(command::Exit); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

TEST_F(MainWindowTest, ExitCommandEndsTheLoopWithZero) {
    int code = -1;
    QTimer::singleShot(0, &window(), [this] { window().command(command::Exit); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
    code = QCoreApplication::exec();
    EXPECT_EQ(code, 0);
}

// The record commands are the user's own clips: each gets a manual name
// that nobody holds, and an event's clip of the same number stays as it is.
TEST_F(MainWindowTest, ARecordCommandTakesAClipNameOfItsOwn) {
    v().guard.EventNumber = 1;
    const std::string folder = v().capture.eventFolder;
    const testing::TempDir& dir = shell->rig.dir;
    const std::string inFolder = std::filesystem::path(folder).filename().string() + "/";
    const std::string eventClip = dir.write(inFolder + "error1.avi", "event one");
    const std::string older = dir.write(inFolder + "manual0.avi", "older");
    window().command(command::RecordOutside);
    window().command(command::Record);
    EXPECT_TRUE(testing::readText(eventClip) == "event one") << "the event's clip was replaced";
    EXPECT_TRUE(testing::readText(older) == "older") << "the older clip was replaced";
    EXPECT_GT(std::filesystem::file_size(folder + "/manual1.avi"), 1000u);
    EXPECT_EQ(v().capture.clipPath, folder + "/manual2.avi");
    EXPECT_GT(std::filesystem::file_size(v().capture.clipPath), 1000u);
}

// Asked to end while an event's clip records, the program stops the clip at
// once rather than at its time limit, keeps it playable, writes the event's
// line and starts no tracing: by the exit command and by the session's end.
TEST_F(MainWindowTest, EndingDuringAClipStopsItAtOnceAndWritesItsLine) {
    for (const bool sessionEnds : {false, true}) {
        test::ShellRig rigged;
        platform::MemoryRegistry& registry = rigged.rig.registry;
        registry.putNumber(kProductKey, "USESCHEDULE", 0);
        registry.putNumber(kProductKey, "VIDEOCAPTURE", 1);
        registry.putNumber(kProductKey, "VIDEORECORDINGTIME", 20);
        registry.putNumber(kProductKey, "PROCESSSTYLE", 2);
        MainWindow& w = rigged.window;
        platform::VirtualClock& clock = rigged.rig.clock;
        uint64_t clipStart = 0;
        static_cast<vcard::VirtualCaptureWindow&>(*rigged.v().capture.window)
            .setEventPump([&](uint64_t until) {
                clock.advance(until - clock.monotonicMs());
                clipStart = clipStart == 0 ? until : clipStart;
                if (until >= clipStart + 1000 && rigged.v().guard.recording) {
                    sessionEnds ? w.endSession() : w.command(command::Exit);
                }
            });
        w.command(command::GuardStartStop);
        for (int i = 0; i < 100 && rigged.v().guard.EventNumber == 0; ++i) {
            rigged.rig.run(500);
        }
        ASSERT_EQ(rigged.v().guard.EventNumber, 1u) << sessionEnds;
        EXPECT_LE(rigged.v().capture.framesCaptured, 40u) << sessionEnds;
        const std::string clip = rigged.v().capture.eventFolder + "/error1.avi";
        const std::vector<uint8_t> bytes = testing::readFile(clip);
        vcard::AviInfo info;
        std::string reason;
        ASSERT_TRUE(vcard::readAvi(bytes, info, reason)) << reason;
        EXPECT_FALSE(info.truncated);
        EXPECT_TRUE(info.hasIndex);
        EXPECT_EQ(info.totalFrames, rigged.v().capture.framesCaptured);
        const auto lines = rigged.rig.historyLines();
        ASSERT_EQ(lines.size(), 1u) << sessionEnds;
        EXPECT_NE(lines[0].find("] [" + clip + "]"), std::string::npos) << lines[0];
        EXPECT_EQ(rigged.v().guardMode.trace.tracing, 0u);
        EXPECT_EQ(rigged.v().guardMode.active, 0u);
    }
}

// The start-up password may be answered by an exit request (Ctrl+C,
// "sendcommand ZelkorVorrak 40004") instead of a password: the start then
// goes no further, whatever the prompt gives back.
TEST_F(MainWindowTest, AnExitAskedForAtTheStartUpPasswordEndsTheStart) {
    v().access.PasswordRequired = 1;
    v().settings.RUNSTARTUP = 0;
    v().settings.USEREGIONCOMPARE = 0;
    const auto start = [this](bool exitFirst, bool passed) {
        auto rigged = std::make_unique<test::ShellRig>();
        rigged->v().access = v().access;
        rigged->v().settings = v().settings;
        rigged->v().capture.CaptureState = kCaptureNotConnected;
        MainWindow& w = rigged->window;
        w.setPasswordPrompt([&w, exitFirst, passed] {
            if (exitFirst) {
                w.command(command::Exit);
            }
            return passed;
        });
        w.message(kStartUpMessage);
        return rigged->v().capture.CaptureState;
    };
    EXPECT_EQ(start(false, true), kCaptureConnected);
    EXPECT_EQ(start(true, false), kCaptureNotConnected);
    EXPECT_EQ(start(true, true), kCaptureNotConnected);
}

// The program is not the user's before the start-up password is given:
// what arrives meanwhile (a key, another program's command) is not done.
TEST_F(MainWindowTest, OnlyTheExitIsTakenWhileTheStartUpPasswordIsAsked) {
    auto rigged = std::make_unique<test::ShellRig>();
    rigged->v().access.PasswordRequired = 1;
    rigged->v().settings.RUNSTARTUP = 0;
    rigged->v().settings.USEREGIONCOMPARE = 0;
    rigged->v().capture.CaptureState = kCaptureNotConnected;
    MainWindow& w = rigged->window;
    w.setPasswordPrompt([&w] {
        w.command(command::CloseByEscape);
        return true;
    });
    w.message(kStartUpMessage);
    EXPECT_FALSE(w.closing());
    EXPECT_EQ(rigged->v().capture.CaptureState, kCaptureConnected);
}

TEST_F(MainWindowTest, CreatedWindowHoldsTheConnectedCapturePicture) {
    // The window made as the program makes it: its own capture window,
    // connected by the start-up message's connect step.
    vcard::installCaptureWindows(*shell->rig.card);
    v().capture.window.reset();
    v().capture.CaptureState = kCaptureNotConnected;
    window().create();
    window().message(kConnectCaptureMessage);
    ASSERT_EQ(v().capture.CaptureState, kCaptureConnected);
    EXPECT_EQ(window().size(), QSize(352, 240));
    EXPECT_EQ(platform::widgetOf(v().capture.window->window())->parentWidget(), &window());
    shell->rig.clock.advance(3000);
    QTest::qWait(300);
    const QImage image = window().grab().toImage();
    EXPECT_TRUE(testing::saveScreenshot(image, "vorrak_main_window"));
    // A picture, not the empty background.
    int lit = 0;
    for (int y = 0; y < image.height(); y += 8) {
        for (int x = 0; x < image.width(); x += 8) {
            lit += qGray(image.pixel(x, y)) > 40 ? 1 : 0;
        }
    }
    EXPECT_GT(lit, 100);
}

TEST_F(MainWindowTest, F4OpensTheEventListOnceThereIsAnEvent) {
    press(Qt::Key_F4);
    EXPECT_FALSE(window().eventList().isOpen());
    raiseEvents(1);
    press(Qt::Key_F4);
    ASSERT_TRUE(window().eventList().isOpen());
    EXPECT_EQ(listEntries(), 1);
    window().eventList().close();
    raiseEvents(1);
    press(Qt::Key_F4);
    ASSERT_TRUE(window().eventList().isOpen());
    EXPECT_EQ(listEntries(), 2);
    // Open already: the same window stays.
    QDialog* open = window().eventList().dialog();
    window().command(command::EventList);
    EXPECT_EQ(window().eventList().dialog(), open);
}

TEST_F(MainWindowTest, ThePanelAndTheEventListShareTheMainWindowsTaskbarEntry) {
    window().postCreationSetup();
    raiseEvents(1);
    press(Qt::Key_F4);
    ASSERT_TRUE(window().eventList().isOpen());
    // A window transient for the main window gets no taskbar entry of its own.
    for (QWidget* w : {static_cast<QWidget*>(window().controlPanel()),
                       static_cast<QWidget*>(window().eventList().dialog())}) {
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->isWindow());
        EXPECT_EQ(w->parentWidget(), &window());
        ASSERT_NE(w->windowHandle(), nullptr);
        EXPECT_EQ(w->windowHandle()->transientParent(), window().windowHandle());
    }
}

TEST_F(MainWindowTest, TheEngineRefillsTheListAndOpensItOnlyWhenAsked) {
    raiseEvents(1);
    window().refreshEventList(false);
    EXPECT_FALSE(window().eventList().isOpen());
    window().refreshEventList(true);
    ASSERT_TRUE(window().eventList().isOpen());
    raiseEvents(1);
    window().refreshEventList(false);
    EXPECT_EQ(listEntries(), 2);
}

TEST_F(MainWindowTest, TheListHidesWithTheWindowsAndComesBackWithThem) {
    window().setTrayCheck([] { return true; });
    raiseEvents(2);
    press(Qt::Key_F4);
    QDialog* open = window().eventList().dialog();
    ASSERT_NE(open, nullptr);
    window().hideToTray();
    EXPECT_FALSE(open->isVisible());
    EXPECT_TRUE(window().eventList().isOpen());
    window().message(kTrayMessage);
    ASSERT_EQ(window().eventList().dialog(), open);
    EXPECT_TRUE(open->isVisible());
    EXPECT_EQ(listEntries(), 2);

    // A list closed before the windows hid stays closed when they return.
    window().eventList().close();
    window().hideToTray();
    window().message(kTrayMessage);
    EXPECT_FALSE(window().eventList().isOpen());
}

TEST_F(MainWindowTest, GuardEventsOpenAndFillTheEventList) {
    shell->rig.registry.putNumber(kProductKey, "USESCHEDULE", 0);
    window().command(command::GuardStartStop);
    shell->rig.run(20000);
    const uint32_t events = v().guard.EventNumber;
    ASSERT_GE(events, 2u);
    ASSERT_TRUE(window().eventList().isOpen());
    QDialog& list = *window().eventList().dialog();
    auto* entries = qobject_cast<QListWidget*>(DialogItem(list, kEventListBox));
    ASSERT_EQ(entries->count(), int(std::min(events, 100u)));
    EXPECT_EQ(entries->currentRow(), 0);
    EXPECT_EQ(entries->item(0)->text().toStdString(),
              v().guard.eventSlots[v().guard.eventSlotIndex].description);
    EXPECT_TRUE(testing::saveScreenshot(list.grab().toImage(), "event_list_after_guard_events"));
}

TEST_F(MainWindowTest, RegionDraggedOverTheFrozenPictureIsConfirmedAndReconnects) {
    startRegion({platform::answer::YES});
    // Commands wait for the selection.
    shell->rig.registry.putNumber(kProductKey, "USESCHEDULE", 0);
    press(Qt::Key_F2);
    EXPECT_EQ(v().guardMode.active, 0u);

    QTest::mousePress(&window(), Qt::LeftButton, {}, QPoint(300, 200));
    QTest::mouseMove(&window(), QPoint(40, 30));
    EXPECT_EQ(region(), (std::vector<int>{300, 200, 40, 30}));
    const QImage drawn = window().grab().toImage();
    EXPECT_TRUE(testing::saveScreenshot(drawn, "region_frame"));
    // The frame in red along the dragged edges, the frozen picture inside.
    for (const QPoint& p : {QPoint(170, 30), QPoint(40, 100), QPoint(300, 120)}) {
        const QColor c = drawn.pixelColor(p);
        EXPECT_TRUE(c.red() > 200 && c.green() < 60 && c.blue() < 60) << p.x() << "," << p.y();
    }

    QTest::mouseRelease(&window(), Qt::LeftButton, {}, QPoint(40, 30));
    EXPECT_EQ(region(), (std::vector<int>{40, 30, 300, 200}));
    EXPECT_EQ(shell->rig.ui.boxes.back().text, kConfirmRegionQuestion);
    EXPECT_EQ(v().regionSelection.regionMode, 0u);
    EXPECT_EQ(v().settings.USEREGIONCOMPARE, 1u);
    EXPECT_EQ(v().capture.CaptureState, kCaptureConnected);
}

TEST_F(MainWindowTest, AClickWithoutMovementAsksForTheRegionAgain) {
    startRegion({});
    // The release of the press that answered the question ends no drag.
    QTest::mouseRelease(&window(), Qt::LeftButton, {}, QPoint(50, 60));
    EXPECT_EQ(shell->rig.ui.boxes.back().text, kRegionDragQuestion);
    QTest::mouseClick(&window(), Qt::LeftButton, {}, QPoint(50, 60));
    EXPECT_EQ(shell->rig.ui.boxes.back().text, kInvalidRegionMessage);
    EXPECT_EQ(v().regionSelection.regionMode, 1u);
    EXPECT_EQ(v().capture.CaptureState, kCaptureNotConnected);
}

TEST_F(MainWindowTest, ARegionDraggedPastTheTopLeftStopsAtTheEdges) {
    startRegion({platform::answer::YES});
    QTest::mousePress(&window(), Qt::LeftButton, {}, QPoint(200, 150));
    QTest::mouseMove(&window(), QPoint(-30, -2));
    QTest::mouseRelease(&window(), Qt::LeftButton, {}, QPoint(-30, -2));
    EXPECT_EQ(region(), (std::vector<int>{0, 0, 200, 150}));
    EXPECT_EQ(v().capture.CaptureState, kCaptureConnected);
}

}  // namespace
}  // namespace zelkor::vorrak
