#pragma once
// The main window: a frameless video window that holds the capture window,
// is dragged by its client area, and is the one place where commands are
// dispatched, whether they come from keys, the popup menu, the guard engine
// or another program.

#include <QImage>
#include <QMenu>
#include <QPoint>
#include <QSystemTrayIcon>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/capture_driver.h"
#include "vorrak/capture/capture_host.h"
#include "vorrak/dialogs/capture_settings.h"
#include "vorrak/dialogs/event_list.h"
#include "vorrak/dialogs/pcm_format_chooser.h"
#include "vorrak/dialogs/tracing_menu.h"
#include "vorrak/guard/region_selection.h"
#include "vorrak/livevideo/livevideo.h"
#include "vorrak/panel/control_panel.h"
#include "vorrak/resources/commands.h"
#include "vorrak/shell/live_video_steps.h"
#include "vorrak/state/guard_host.h"
#include "vorrak/state/vorrak.h"

class QSocketNotifier;

namespace zelkor::vorrak {

// The tray icon's notification, which another program may send too: it
// restores the hidden windows.
constexpr uint32_t kTrayMessage = 2001;

constexpr std::string_view kSetupWhileGuardingMessage =
    "Cannot run Setup while vorrak is executeing...";
constexpr std::string_view kHelpMissingMessage =
    "Can't execute Help, help.htm is not existing ....";

// The window's background where no picture is drawn.
constexpr QRgb kEmptyPictureColour = qRgb(0, 0, 0);

class MainWindow : public QWidget,
                   public CaptureHost,
                   public GuardHost,
                   public LiveVideoHost,
                   public RegionHost,
                   public PanelHost {
  public:
    // `services` may be completed after construction (it refers to this
    // window); nothing of it is used before create().
    MainWindow(Vorrak& v, LiveVideoSteps& live, platform::CaptureDriver& drivers);
    ~MainWindow() override;

    // A named station's window and tray icon carry its name in the title,
    // so that the guards of one machine are told apart.
    void attach(VorrakServices& services);
    // Shows the window and makes the capture window. A Qt window cannot fail
    // to be made; without a capture driver the program runs on without one.
    void create();
    // After creation, with what the start-up signal search found.
    void postCreationSetup();
    // Listens for the commands other programs send to the window class.
    void listen(platform::InstanceClaim& claim);

    // One command of the dispatch table (WM_COMMAND).
    void command(uint32_t id);
    // The window's own messages: start-up, connect, disconnect, tray.
    void message(uint32_t id);
    // Closing: the live video, the capture driver and the tray icon go, and
    // the message loop ends with 0.
    void destroyWindow();
    // The session ends under the program: what must be kept is saved, no
    // tray icon is left, and the loop ends without the exit sequence.
    void endSession();

    // Whether the program is being ended: the window went or exit was asked.
    bool closing() const { return destroyed_ || exitRequested_; }

    QMenu& popupMenu() { return popup_; }
    // The control panel, once post-creation set-up has made it.
    ControlPanel* controlPanel() { return panel_.get(); }
    bool trayIconShown() const { return tray_ != nullptr; }

    // CaptureHost
    platform::WindowHandle parentWindow() override;
    void setFrameStyle(FrameStyle style) override;
    void resizeClient(uint32_t width, uint32_t height) override;
    void postMessage(uint32_t message) override;
    void destroy() override { destroyWindow(); }
    void startLiveOverlay() override { live_.StartOverlay(); }
    void stopLiveOverlay() override { live_.StopOverlay(); }

    // GuardHost
    void hideToTray() override;
    void restoreFromTray() override;
    void repaintControlPanel() override;
    void repaintMainWindow() override { update(); }
    platform::Canvas& mainWindowCanvas() override;
    void focusMainWindow() override;
    void refreshEventList(bool openIfClosed) override;
    void startRegionSelection() override;
    bool askPassword() override;
    void openTracingMenu() override;
    void closeTracingMenu() override;

    // LiveVideoHost
    platform::WindowHandle mainWindow() override { return parentWindow(); }
    bool clientRectOnScreen(platform::DisplayRect& rect) override;
    void hide() override { QWidget::hide(); }
    void invalidate() override { update(); }
    // The loop ends as after the window's destruction, so nothing more of
    // the start-up runs once the user was told the program ends.
    void quit() override { destroyWindow(); }
    bool showsCapturePreview() override;
    // The capture window is a child widget: Qt paints it after this window.
    void paintCaptureWindow() override {}

    // RegionHost
    void sendMessage(uint32_t id) override { message(id); }
    void showControlPanel(bool show) override;
    void freezePicture() override;
    platform::Canvas& frozenPictureCanvas() override;
    void invalidateMainWindow(bool erase) override;

    // The detected-event list, made on first use.
    EventList& eventList();

    // PanelHost
    void panelCommand(uint32_t id) override { command(id); }
    bool regionSelectionRuns() override;
    void exitFromPanel() override;
    void minimiseFromPanel() override { hideToTray(); }
    PanelState panelState() override;
    void panelClockTick() override;

    // How the password is asked: the dialog unless replaced (a terminal
    // prompt when boxes go to the console).
    void setPasswordPrompt(std::function<bool()> ask) { passwordPrompt_ = std::move(ask); }
    // Whether the desktop shows tray icons: asked of it unless replaced.
    void setTrayCheck(std::function<bool()> available) { trayAvailable_ = std::move(available); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // A clip that is being recorded when the program is asked to end stops
    // at once, and the event it belongs to starts nothing more.
    void endRecordingForExit();
    void addAccelerator(const QKeySequence& key, uint32_t id);
    void createControlPanel();
    void applyTopmost(bool on);
    void dragTo(const QPoint& globalPos);
    void takeOutsideCommands();
    // The control panel owns the setting dialogs; before it exists, this window.
    QWidget* dialogOwner();
    void openSettingBar();
    void openVideoSource(QWidget& owner);
    void openCaptureSettings();

    Vorrak& v_;
    LiveVideoSteps& live_;
    platform::CaptureDriver& drivers_;
    VorrakServices* s_ = nullptr;
    QMenu popup_;
    QAction* alwaysOnTop_ = nullptr;
    std::unique_ptr<QSystemTrayIcon> tray_;
    std::function<bool()> trayAvailable_ = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    std::unique_ptr<ControlPanel> panel_;
    std::unique_ptr<TracingMenu> tracingMenu_;
    std::unique_ptr<EventList> eventList_;
    // What the window shows while a region is dragged over it.
    QImage frozenPicture_;
    std::unique_ptr<platform::Canvas> frozenCanvas_;
    std::unique_ptr<QSocketNotifier> outside_;
    platform::InstanceClaim* claim_ = nullptr;
    std::function<bool()> passwordPrompt_;
    AviSaveFileDialog aviFiles_;
    PcmFormatChooser audioFormats_;
    FrameStyle frameStyle_ = FrameStyle::SizingFrame;
    bool buttonDown_ = false;
    QPoint lastPos_;
    bool destroyed_ = false;
    // Exit was asked for; the loop ends once control is back in it.
    bool exitRequested_ = false;
    // The start-up password is being asked: the program is not the user's yet.
    bool startUpPasswordAsked_ = false;
};

}  // namespace zelkor::vorrak
