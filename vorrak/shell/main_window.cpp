#include "vorrak/shell/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QSocketNotifier>
#include <algorithm>

#include "platform/qt/painter_canvas.h"
#include "platform/qt/window.h"
#include "vorrak/capture/recording.h"
#include "vorrak/config/decoder_ini.h"
#include "vorrak/hardware/picture_controls.h"
#include "vorrak/panel/skin_pixmap.h"
#include "vorrak/resources/strings.h"
#include "vorrak/shell/startup.h"

namespace zelkor::vorrak {

namespace {

QString latin1(std::string_view s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

}  // namespace

void MainWindow::attach(VorrakServices& services) {
    s_ = &services;
    if (!services.station.empty()) {
        setWindowTitle(latin1(std::string(resources::kTitle) + " - " + services.station));
    }
}

MainWindow::MainWindow(Vorrak& v, LiveVideoSteps& live, platform::CaptureDriver& drivers)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      v_(v),
      live_(live),
      drivers_(drivers),
      popup_(latin1("ContextMenu")),
      frozenCanvas_(std::make_unique<platform::PainterCanvas>(frozenPicture_)) {
    setObjectName(latin1(kVorrakClass));
    setWindowTitle(latin1(resources::kTitle));
    // Every window of the program, its dialogs included, shows the icon.
    QApplication::setWindowIcon(ProgramIcon());
    setAutoFillBackground(false);
    alwaysOnTop_ = popup_.addAction(latin1("Always On Top"));
    alwaysOnTop_->setObjectName(QString::number(command::AlwaysOnTop));
    alwaysOnTop_->setCheckable(true);
    QObject::connect(alwaysOnTop_, &QAction::triggered, this,
                     [this] { command(command::AlwaysOnTop); });
    addAccelerator(QKeySequence(Qt::Key_Escape), command::CloseByEscape);
    addAccelerator(QKeySequence(Qt::Key_F1), command::Help);
    addAccelerator(QKeySequence(Qt::CTRL | Qt::Key_F12), command::MailWithoutEvent);
    addAccelerator(QKeySequence(Qt::Key_F2), command::GuardStartStop);
    addAccelerator(QKeySequence(Qt::Key_F3), command::Settings);
    addAccelerator(QKeySequence(Qt::Key_F4), command::EventList);
}

MainWindow::~MainWindow() = default;

void MainWindow::addAccelerator(const QKeySequence& key, uint32_t id) {
    // The keys work whichever of the program's windows has the focus.
    auto* shortcut = new QShortcut(key, this);
    shortcut->setObjectName(QString::number(id));
    shortcut->setContext(Qt::ApplicationShortcut);
    QObject::connect(shortcut, &QShortcut::activated, this, [this, id] { command(id); });
}

void MainWindow::create() {
    auto window = drivers_.createCaptureWindow(platform::handleOf(this));
    const int index = FindCaptureDriver(drivers_, s_->capture.bus.BusMethod, s_->ui);
    CreateCaptureWindow(v_.capture, s_->capture, v_.settings, std::move(window), index);
    // Centred across, a third of the free height down.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move(std::max(0, (screen.width() - width()) / 2),
         std::max(0, (screen.height() - height()) / 3));
    show();
}

void MainWindow::postCreationSetup() {
    PictureSettings picture = PictureOf(v_.settings);
    ApplyPictureSettings(s_->capture.bus, picture, v_.signalFound);
    TakeInput(v_.settings, picture);
    createControlPanel();
    applyTopmost(v_.settings.RUNSTYLE == 2);
}

void MainWindow::createControlPanel() {
    // Made once, after the main window, whose place it takes its own from.
    if (panel_) {
        return;
    }
    panel_ = std::make_unique<ControlPanel>(*this, s_->clock, IsJapaneseLocale(s_->capture.profile),
                                            this);
    panel_->placeUnder(frameGeometry());
    v_.WindowsShown = 1;
}

void MainWindow::destroyWindow() {
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    endRecordingForExit();
    live_.CloseLiveVideo();
    if (v_.capture.window) {
        v_.capture.window->driverDisconnect();
    }
    if (v_.WindowsShown == 0) {
        tray_.reset();
    }
    if (tracingMenu_) {
        tracingMenu_->close();
    }
    if (eventList_) {
        eventList_->close();
    }
    if (panel_) {
        panel_->hide();
    }
    hide();
    QCoreApplication::exit(0);
}

void MainWindow::endRecordingForExit() {
    v_.guardMode.ending = true;
    EndRecordingNow(v_.capture, v_.guard);
}

void MainWindow::endSession() {
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    tray_.reset();
    endRecordingForExit();
    EndSession(v_, *s_, live_);
    QCoreApplication::exit(0);
}

void MainWindow::applyTopmost(bool on) {
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible) {
        show();
    }
    if (panel_) {
        const bool panelVisible = panel_->isVisible();
        panel_->setWindowFlag(Qt::WindowStaysOnTopHint, on);
        panel_->setVisible(panelVisible);
    }
    alwaysOnTop_->setChecked(on);
    v_.AlwaysOnTop = on ? 1 : 0;
}

platform::WindowHandle MainWindow::parentWindow() {
    return platform::handleOf(this);
}

void MainWindow::setFrameStyle(FrameStyle style) {
    frameStyle_ = style;
}

void MainWindow::resizeClient(uint32_t width, uint32_t height) {
    const QSize size{int(width), int(height)};
    if (frameStyle_ == FrameStyle::DialogFrame) {
        setFixedSize(size);
    } else {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        resize(size);
    }
    move(std::max(0, x()), std::max(0, y()));
}

void MainWindow::postMessage(uint32_t id) {
    QMetaObject::invokeMethod(
        this, [this, id] { message(id); }, Qt::QueuedConnection);
}

void MainWindow::focusMainWindow() {
    activateWindow();
    setFocus();
}

bool MainWindow::clientRectOnScreen(platform::DisplayRect& rect) {
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    rect = {origin.x(), origin.y(), origin.x() + width(), origin.y() + height()};
    return !isMinimized();
}

bool MainWindow::showsCapturePreview() {
    return v_.capture.CaptureState == kCaptureConnected;
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    // The panel shows the new size until its clock next repaints it.
    if (panel_) {
        panel_->showClientSize(event->size().width(), event->size().height());
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    destroyWindow();
    event->accept();
}

}  // namespace zelkor::vorrak
