// The main window's own messages, and the commands and messages other
// programs send to its window class.

#include "vorrak/shell/main_window.h"

#include <QSocketNotifier>

#include "vorrak/guard/event_history.h"

namespace zelkor::vorrak {

void MainWindow::listen(platform::InstanceClaim& claim) {
    claim_ = &claim;
    outside_ = std::make_unique<QSocketNotifier>(claim.fd(), QSocketNotifier::Read);
    QObject::connect(outside_.get(), &QSocketNotifier::activated, this,
                     [this] { takeOutsideCommands(); });
}

void MainWindow::takeOutsideCommands() {
    for (const uint32_t id : claim_->takeCommands()) {
        if (destroyed_) {
            return;
        }
        if (id == kTrayMessage) {
            message(id);
        } else {
            command(id);
        }
    }
}

void MainWindow::message(uint32_t id) {
    if (destroyed_) {
        return;
    }
    switch (id) {
        case kStartUpMessage:
            live_.StartLiveVideoAtLaunch();
            if (destroyed_) {
                return;
            }
            // The program may be asked to end while the password is asked
            // for; it then ends without going on with the start.
            if (v_.access.PasswordRequired != 0 && v_.settings.RUNSTARTUP == 0) {
                startUpPasswordAsked_ = true;
                const bool passed = askPassword();
                startUpPasswordAsked_ = false;
                if (!passed || closing()) {
                    return;
                }
            }
            CreateEventFolder(v_.capture.eventFolder, v_.settings.WORKINGDIR, s_->clock);
            if (v_.settings.RUNSTARTUP == 1) {
                message(kConnectCaptureMessage);
                if (!destroyed_) {
                    command(command::GuardStartStop);
                }
            } else if (v_.settings.USEREGIONCOMPARE == 0) {
                message(kConnectCaptureMessage);
            } else {
                startRegionSelection();
            }
            break;
        case kDisconnectCaptureMessage:
            DisconnectCapture(v_.capture, s_->capture);
            break;
        case kConnectCaptureMessage:
            ConnectCapture(v_.capture, s_->capture, v_.settings, v_.options);
            break;
        case kTrayMessage:
            restoreFromTray();
            break;
        default:
            break;
    }
}

}  // namespace zelkor::vorrak
