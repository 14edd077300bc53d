// Vorrak: checks the machine, prepares the card and the settings, brings up
// the main window, runs the one event loop and shuts down in order.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/disk.h"
#include "platform/hardware.h"
#include "platform/power_share.h"
#include "platform/profile.h"
#include "platform/program_dir.h"
#include "platform/qt/event_loop_wait.h"
#include "platform/qt/services.h"
#include "platform/station.h"
#include "vorrak/alarms/alarms.h"
#include "vorrak/config/settings_store.h"
#include "vorrak/hardware/picture_controls.h"
#include "vorrak/panel/splash_window.h"
#include "vorrak/resources/strings.h"
#include "vorrak/shell/access_password.h"
#include "vorrak/shell/live_video_chain.h"
#include "vorrak/shell/main_window.h"
#include "vorrak/shell/startup.h"
#include "vorrak/webpage/status_page.h"

namespace {

using namespace zelkor;

// Signals reach the event loop through a pipe, so that their handling runs
// on the one thread like everything else.
int signalPipe[2] = {-1, -1};

void onSignal(int number) {
    const unsigned char n = static_cast<unsigned char>(number);
    (void)!write(signalPipe[1], &n, 1);
}

bool catchSignals() {
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(SIGTERM, &action, nullptr) == 0 && sigaction(SIGHUP, &action, nullptr) == 0 &&
           sigaction(SIGINT, &action, nullptr) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Refused before anything starts: a guard on the wrong station's store
    // and camera would look as if it worked.
    std::string station;
    std::string error;
    if (!platform::takeStationArgument(argc, argv, &station, &error)) {
        std::fprintf(stderr, "Vorrak: %s\n", error.c_str());
        return 1;
    }
    // The windows need a Qt platform; a machine without a display gets the
    // offscreen one, where the program runs unseen.
    const bool onDisplay = platform::hasScreen();
    if (!onDisplay) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    // Caught from the start, so that a signal during start-up waits for the
    // event loop instead of killing the program half set up.
    const bool signalsCaught = catchSignals();
    // The main window hides behind the tray: that closes no program.
    QApplication::setQuitOnLastWindowClosed(false);

    platform::Clock& clock = platform::systemClock();
    const auto ui = platform::makeUi();
    const auto hardware = platform::openHardware(clock, station, error);
    if (!hardware) {
        std::fprintf(stderr, "Vorrak: %s\n", error.c_str());
        // A user who started the program from the desktop sees no terminal:
        // without a box, the program would seem not to start at all.
        if (onDisplay) {
            ui->messageBox(error, resources::kTitle, platform::mb::OK | platform::mb::ICONERROR);
        }
        return 1;
    }
    const auto registry = platform::openFileRegistry(platform::stationRegistryPath(station));
    const auto profile =
        platform::openFileProfile(platform::defaultWindowsDirectory().value_or(""));
    const auto timers = platform::makeQtTimers();
    const auto processes = platform::makeProcesses();
    // Companions are reaped, and their failures told, as they end.
    const auto childEnds = platform::watchChildEnds(*processes);
    const auto sound = platform::makeSound();
    const auto disk = platform::makeDisk();
    const std::string instanceDirectory = platform::defaultInstanceDirectory();
    const auto power = platform::sharePower(platform::makePower(), instanceDirectory);
    const auto instances = platform::makeInstances(instanceDirectory);
    const auto shell = platform::makeShell();

    vorrak::DecoderBus bus(hardware->ports(), clock);
    vorrak::Vorrak v;
    vorrak::LiveVideoChain live(v, *ui, *timers, bus.BusMethod,
                                [&hardware] { return hardware->createDisplayDevice(); });
    vorrak::MainWindow window(v, live, hardware->captureDriver());
    live.attach(window);
    vorrak::AlarmServices alarms{*processes, *ui, *sound, {}, station};

    vorrak::SettingsHost settingsHost{*registry, *ui, std::string(platform::kDesktopOpener),
                                      [&](uint32_t force) {
                                          vorrak::LaunchSetupWizard(v.companions, alarms,
                                                                    v.ProgramDir, force);
                                      },
                                      [&v](int code) {
                                          // Ends at once, without the exit sequence; the window
                                          // class is given up so the next start is not refused.
                                          v.instance.reset();
                                          std::fflush(nullptr);
                                          _exit(code);
                                      }};
    vorrak::VorrakServices s{
        *registry,
        *ui,
        clock,
        *timers,
        *processes,
        *sound,
        window,
        vorrak::CaptureServices{*ui, *profile, *disk, window, bus,
                                [&](const std::string& path) {
                                    vorrak::ShowPicture(alarms, v.settings.VIEWERFILENAME, path);
                                }},
        settingsHost,
        *power,
        *instances,
        *shell,
        station};
    window.attach(s);
    bool prompting = false;
    if (platform::consoleUiRequested()) {
        // The terminal is waited for in the event loop: guard mode, timers
        // and commands go on while nobody types. An exit asked for meanwhile
        // (Ctrl+C, a signal, command 40004) ends the loop, and the wait
        // with it. The one terminal takes one prompt at a time.
        window.setPasswordPrompt([&] {
            if (prompting) {
                return false;
            }
            prompting = true;
            const bool right = vorrak::AskPasswordWith(
                v, s,
                [] { return vorrak::PromptTerminalPassword(platform::WaitReadableInEventLoop); },
                [&window] { return window.closing(); });
            prompting = false;
            return right;
        });
    }

    if (!vorrak::CheckStartup(v, s, hardware->pci())) {
        return 0;
    }
    vorrak::QueryCaptureDevice(hardware->deviceControl());
    // Up from here until the signal search is done; never shown again.
    vorrak::SplashWindow splash;
    if (!vorrak::PrepareRun(v, s, live, platform::programDirectory(), &splash)) {
        return 0;
    }
    window.create();
    window.postCreationSetup();
    if (v.instance) {
        window.listen(*v.instance);
    }
    vorrak::webpage::StatusPage page(v, *timers, clock);
    page.start();

    // SIGINT is the user's Ctrl+C: the normal way out. SIGTERM and SIGHUP
    // are the session ending under the program: save, and start nothing.
    bool sessionEnded = false;
    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (signalsCaught) {
        signalNotifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, &window, [&] {
            unsigned char number = 0;
            while (read(signalPipe[0], &number, 1) == 1) {
                if (number == SIGINT) {
                    window.command(vorrak::command::Exit);
                } else if (!sessionEnded) {
                    sessionEnded = true;
                    window.endSession();
                }
            }
        });
    }

    const int quitCode = QApplication::exec();
    if (sessionEnded) {
        page.stop();
        return 0;
    }
    vorrak::ExitSequence(v, s);
    page.stop();
    return quitCode;
}
