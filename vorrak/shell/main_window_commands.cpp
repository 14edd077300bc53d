// The main window's command dispatch, and the dialogs and windows its
// commands open.

#include "vorrak/shell/main_window.h"

#include <QCoreApplication>

#include "vorrak/alarms/alarms.h"
#include "vorrak/capture/recording.h"
#include "vorrak/config/settings_store.h"
#include "vorrak/dialogs/setting_bar.h"
#include "vorrak/dialogs/video_source.h"
#include "vorrak/guard/detection_cycle.h"
#include "vorrak/guard/event_alarms.h"
#include "vorrak/guard/tracing.h"
#include "vorrak/panel/about_box.h"
#include "vorrak/resources/strings.h"
#include "vorrak/shell/access_password.h"

namespace zelkor::vorrak {

void MainWindow::command(uint32_t id) {
    if (destroyed_ || v_.regionSelection.regionMode != 0) {
        return;
    }
    const GuardMode& g = v_.guardMode;
    // A start that waits on its timer arms guard mode on what it finds then:
    // nothing may close the program under it, open the setting bar or take
    // the capture driver away meanwhile. Nor is anything done for someone
    // who has not yet given the start-up password. Only the exit is taken.
    if ((g.pending != PendingStart::None || startUpPasswordAsked_) && id != command::Exit) {
        return;
    }
    const GuardView view{g.trace.tracing != 0, false, g.frameCounter};
    switch (id) {
        case command::GuardStartStop:
            GuardCommand(v_, *s_);
            break;
        case command::CloseByEscape:
            if (g.active == 0 && g.trace.tracing == 0) {
                destroyWindow();
            }
            break;
        case command::Settings:
            if (g.trace.tracing != 0) {
                break;
            }
            if (g.active != 0) {
                s_->ui.messageBox(kSetupWhileGuardingMessage, resources::kTitle, kVorrakBoxStyle);
            } else {
                openSettingBar();
            }
            break;
        case command::CaptureSettings:
            openCaptureSettings();
            break;
        case command::Help:
            if (const int result = s_->shell.open(v_.HelpPath); result <= 32) {
                s_->ui.messageBox(std::string(kHelpMissingMessage) +
                                      platform::OpenerNotStartedNote(s_->shell, result),
                                  resources::kTitle, kVorrakBoxStyle);
            }
            break;
        case command::Snapshot:
        case command::SnapshotOutside:
            SnapshotCommand(v_.capture, s_->capture, v_.guard, v_.files, view);
            break;
        case command::Record:
        case command::RecordOutside:
            RecordCommand(v_.capture, s_->capture, v_.settings, v_.guard, view, ClipFor::User);
            break;
        case command::AlwaysOnTop:
            applyTopmost(v_.AlwaysOnTop == 0);
            break;
        case command::EventList:
            if (v_.guard.EventNumber >= 1 && !eventList().isOpen()) {
                eventList().show();
            }
            break;
        case command::About:
            ShowAbout(panel_.get(), v_.chip.aboutText);
            break;
        case command::MailWithoutEvent:
            MailCommand(v_, *s_);
            break;
        case command::Exit:
            exitRequested_ = true;
            endRecordingForExit();
            live_.CloseLiveVideo();
            QCoreApplication::exit(0);
            break;
        default:
            break;
    }
}

QWidget* MainWindow::dialogOwner() {
    return panel_ ? static_cast<QWidget*>(panel_.get()) : this;
}

void MainWindow::openSettingBar() {
    SettingBar bar(dialogOwner(),
                   {.setupWizard =
                        [this] {
                            AlarmServices alarms = s_->alarms();
                            LaunchSetupWizard(v_.companions, alarms, v_.ProgramDir, 0);
                        },
                    .setRegion = [this] { startRegionSelection(); },
                    .videoSource = [this](QWidget& owner) { openVideoSource(owner); }});
    bar.exec();
}

void MainWindow::openVideoSource(QWidget& owner) {
    VideoSourceServices services{
        v_.settings, v_.capture, s_->capture.bus, *this,
        [this](uint32_t standard) { live_.ChangeVideoStandard(standard); }};
    VideoSourceDialog(services, &owner).exec();
}

void MainWindow::openCaptureSettings() {
    CaptureDialogServices services{v_.settings, v_.options, v_.capture,
                                   s_->capture, aviFiles_,  audioFormats_};
    CaptureSettingsDialog(services, this).exec();
}

void MainWindow::exitFromPanel() {
    v_.WindowsShown = 0;
    destroyWindow();
}

PanelState MainWindow::panelState() {
    const GuardMode& g = v_.guardMode;
    return {v_.capture.CaptureState,    g.active != 0,
            g.trace.tracing != 0,       v_.settings.VIDEOSTANDARD,
            v_.settings.VIDEOCONNECTOR, v_.capture.FrameWidth,
            v_.capture.FrameHeight,     v_.signal.lost};
}

void MainWindow::panelClockTick() {
    // Guard mode and tracing read the signal with every frame they take.
    const GuardMode& g = v_.guardMode;
    if (g.active == 0 && g.trace.tracing == 0) {
        WatchSignal(v_.signal, s_->capture.bus);
    }
}

void MainWindow::refreshEventList(bool openIfClosed) {
    if (eventList().isOpen()) {
        eventList().refill();
    } else if (openIfClosed) {
        eventList().show();
    }
}

EventList& MainWindow::eventList() {
    if (!eventList_) {
        eventList_ = std::make_unique<EventList>(v_.guard, s_->shell, s_->ui, this);
    }
    return *eventList_;
}

bool MainWindow::askPassword() {
    return passwordPrompt_ ? passwordPrompt_() : AskPasswordDialog(v_, *s_, this);
}

void MainWindow::openTracingMenu() {
    if (!tracingMenu_) {
        tracingMenu_ = std::make_unique<TracingMenu>(
            this, [this](int button) { TracingMenuCommand(v_, *s_, button); });
    }
    tracingMenu_->open();
}

void MainWindow::closeTracingMenu() {
    if (tracingMenu_) {
        tracingMenu_->close();
    }
}

}  // namespace zelkor::vorrak
