// Hiding the program's windows to the tray (or the taskbar, without a
// tray) and bringing them back.

#include "vorrak/shell/main_window.h"

#include <QEvent>

#include "vorrak/panel/skin_pixmap.h"

namespace zelkor::vorrak {

void MainWindow::hideToTray() {
    if (panel_) {
        panel_->hide();
    }
    // The list goes with the windows and comes back with them.
    if (eventList_) {
        eventList_->hideWithWindows();
    }
    v_.WindowsShown = 0;
    // Without a tray, hidden windows would leave the user no way back: the
    // main window goes to the taskbar instead, and its restore there brings
    // the others back (changeEvent).
    if (!trayAvailable_()) {
        showMinimized();
        return;
    }
    hide();
    if (!tray_) {
        tray_ = std::make_unique<QSystemTrayIcon>(ProgramIcon());
        tray_->setToolTip(windowTitle());
        QObject::connect(
            tray_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context) {
                    restoreFromTray();
                }
            });
        tray_->show();
    }
}

void MainWindow::restoreFromTray() {
    // First, so that the state change of showNormal does not restore again.
    v_.WindowsShown = 1;
    showNormal();
    if (panel_) {
        panel_->show();
        panel_->raise();
    }
    if (eventList_) {
        eventList_->showWithWindows();
    }
    raise();
    tray_.reset();
}

void MainWindow::repaintControlPanel() {
    if (panel_) {
        panel_->update();
    }
}

void MainWindow::showControlPanel(bool show) {
    if (panel_) {
        panel_->setVisible(show);
    }
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The main window put on the taskbar in place of the tray is restored
    // there: the windows hidden with it come back.
    if (event->type() == QEvent::WindowStateChange && v_.WindowsShown == 0 && !tray_ &&
        isVisible() && !isMinimized()) {
        restoreFromTray();
    }
}

}  // namespace zelkor::vorrak
