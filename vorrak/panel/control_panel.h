#pragma once
// The control panel window: the skin, the six buttons with their pressed
// looks, the state display with its clock, and dragging by the bare panel.
// It does no work itself: each button becomes a request to its host, the
// main window.

#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "vorrak/panel/panel.h"

namespace zelkor::vorrak {

class PanelHost {
  public:
    virtual ~PanelHost() = default;
    // One of the main window's commands.
    virtual void panelCommand(uint32_t id) = 0;
    virtual bool regionSelectionRuns() = 0;
    // The exit button: the program ends, in every state.
    virtual void exitFromPanel() = 0;
    // The minimise button: the windows hide behind the tray icon.
    virtual void minimiseFromPanel() = 0;
    virtual PanelState panelState() = 0;
    // The panel's clock ticked, just before the panel repaints: once a
    // second, the pace at which the host may look at the hardware.
    virtual void panelClockTick() = 0;
};

constexpr int kPanelClockMs = 1000;

class ControlPanel : public QWidget {
  public:
    // `japanese`: the panel's fonts take the Japanese character set.
    // `owner`: the window the panel belongs to; it stays a window of its own
    // but shares the owner's taskbar entry instead of adding one.
    ControlPanel(PanelHost& host, platform::Clock& clock, bool japanese, QWidget* owner = nullptr);

    // Centred under the main window's outer rectangle, and shown.
    void placeUnder(const QRect& mainWindow);
    // The main window's size read-out, shown where the frame size is until
    // the clock next repaints the panel.
    void showClientSize(int width, int height);

    // What the last repaint drew: for tests, and for anyone reading the
    // panel without looking at it.
    const PanelTexts& shownTexts() const { return shown_; }
    int pressState() const { return press_.state; }

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void buttonAction(int button);

    PanelHost& host_;
    platform::Clock& clock_;
    QFont largeFont_;
    QFont smallFont_;
    QPixmap background_;
    QPixmap titleKeysPressed_;
    // The start, stop and setup buttons' looks by skin id, decoded once:
    // the panel repaints every second and on every press.
    std::map<int, QPixmap> buttonImages_;
    QTimer timer_;
    PanelPress press_;
    std::optional<std::string> clientSize_;
    PanelTexts shown_;
};

}  // namespace zelkor::vorrak
