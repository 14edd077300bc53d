#include "vorrak/shell/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QSocketNotifier>
#include <algorithm>

#include "platform/qt/painter_canvas.h"
#include "platform/qt/window.h"
#include "vorrak/alarms/alarms.h"
#include "vorrak/capture/recording.h"
#include "vorrak/config/decoder_ini.h"
#include "vorrak/config/settings_store.h"
#include "vorrak/dialogs/setting_bar.h"
#include "vorrak/dialogs/video_source.h"
#include "vorrak/guard/detection_cycle.h"
#include "vorrak/guard/event_alarms.h"
#include "vorrak/guard/event_history.h"
#include "vorrak/guard/tracing.h"
#include "vorrak/hardware/picture_controls.h"
#include "vorrak/panel/about_box.h"
#include "vorrak/panel/skin_pixmap.h"
#include "vorrak/resources/strings.h"
#include "vorrak/shell/access_password.h"
#include "vorrak/shell/startup.h"

namespace zelkor::vorrak {

namespace {

QString latin1(std::string_view s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

}  // namespace

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
        tray_->setToolTip(latin1(resources::kTitle));
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

bool MainWindow::regionSelectionRuns() {
    return v_.regionSelection.regionMode != 0;
}

void MainWindow::showControlPanel(bool show) {
    if (panel_) {
        panel_->setVisible(show);
    }
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
            v_.capture.FrameHeight};
}

platform::Canvas& MainWindow::mainWindowCanvas() {
    // The capture window fills the client area: text for the main window
    // goes over its picture, where the user sees it.
    return v_.capture.window->canvas();
}

void MainWindow::focusMainWindow() {
    activateWindow();
    setFocus();
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

void MainWindow::startRegionSelection() {
    StartRegionSelection(v_, *s_, *this);
}

void MainWindow::freezePicture() {
    const QSize frame(int(v_.capture.FrameWidth), int(v_.capture.FrameHeight));
    frozenPicture_ = QImage(frame, QImage::Format_RGB32);
    frozenPicture_.fill(Qt::black);
    // What the window and the capture window in it draw now, not what the
    // screen holds there: a box just answered may not have left it yet.
    QPainter painter(&frozenPicture_);
    render(&painter, QPoint(), QRegion(QRect(QPoint(), frame)));
}

platform::Canvas& MainWindow::frozenPictureCanvas() {
    return *frozenCanvas_;
}

// Every paint of the region starts from the frozen picture, so what was
// drawn over it goes whether erasing was asked or not.
void MainWindow::invalidateMainWindow(bool) {
    update();
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

bool MainWindow::clientRectOnScreen(platform::DisplayRect& rect) {
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    rect = {origin.x(), origin.y(), origin.x() + width(), origin.y() + height()};
    return !isMinimized();
}

bool MainWindow::showsCapturePreview() {
    return v_.capture.CaptureState == kCaptureConnected;
}

void MainWindow::paintEvent(QPaintEvent*) {
    if (v_.regionSelection.regionMode != 0) {
        QPainter(this).drawImage(QPoint(0, 0), frozenPicture_);
        platform::PainterCanvas canvas(*this);
        const DetectRegion& r = v_.capture.region;
        DrawRegionFrame(canvas, r.left, r.top, r.right, r.bottom, v_.guardMode.trace.tracing != 0);
        return;
    }
    // Once connected, the capture window paints the picture itself. Before,
    // the live overlay shows where the colour key is painted; where it is
    // not (no key chosen yet, no overlay) the window is empty.
    if (!showsCapturePreview()) {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(kEmptyPictureColour));
    }
    live_.PaintColorKey();
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    // Clicks on the capture window come here too: it leaves them to us.
    if (event->button() != Qt::LeftButton) {
        return;
    }
    buttonDown_ = true;
    if (v_.regionSelection.regionMode != 0) {
        const QPoint p = event->position().toPoint();
        RegionButtonDown(v_, p.x(), p.y());
        return;
    }
    lastPos_ = event->globalPosition().toPoint();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!buttonDown_) {
        return;
    }
    if (v_.regionSelection.regionMode != 0) {
        const QPoint p = event->position().toPoint();
        RegionMouseMove(v_, *this, p.x(), p.y());
        return;
    }
    if (v_.capture.CaptureState == kCaptureConnected) {
        if (v_.capture.framesCaptured > 0) {
            v_.capture.window->repaint();
        } else {
            v_.capture.window->setOverlay(true);
        }
    }
    dragTo(event->globalPosition().toPoint());
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    // A release whose press came before the selection began (the press that
    // answered its question) ends no drag.
    const bool dragged = buttonDown_;
    buttonDown_ = false;
    if (v_.regionSelection.regionMode != 0 && dragged) {
        const QPoint p = event->position().toPoint();
        RegionButtonUp(v_, *s_, *this, p.x(), p.y());
    }
}

void MainWindow::dragTo(const QPoint& p) {
    const QPoint d = p - lastPos_;
    const QRect r = frameGeometry();
    // Past the top edge the window stays just below it and only follows
    // sideways; at the left edge it only follows up and down.
    if (r.top() < 1) {
        move(r.left() + d.x(), 2);
    } else if (r.left() > 0) {
        move(r.left() + d.x(), r.top() + d.y());
    } else {
        move(2, r.top() + d.y());
    }
    lastPos_ = p;
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
    if (v_.regionSelection.regionMode != 0) {
        event->accept();
        return;
    }
    popup_.popup(event->globalPos());
    event->accept();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    // The panel shows the new size until its clock next repaints it.
    if (panel_) {
        panel_->showClientSize(event->size().width(), event->size().height());
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

void MainWindow::closeEvent(QCloseEvent* event) {
    destroyWindow();
    event->accept();
}

}  // namespace zelkor::vorrak
