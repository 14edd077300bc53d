#pragma once
// What the guard engine needs of the windows around it: the main window,
// the control panel, the tray icon, the detected-event list and the Tracing
// Menu. The main window implements it; tests record the calls.

#include <cstdint>

#include "platform/canvas.h"

namespace zelkor::vorrak {

class GuardHost {
  public:
    virtual ~GuardHost() = default;

    // Guard mode hides to the tray: the control panel and the main window
    // are hidden, the detected-event list too (it counts as closed), and
    // the tray icon is added.
    virtual void hideToTray() = 0;
    // An event brings them back: main window and control panel restored,
    // the event list restored or opened, focus on the panel and then the
    // main window, the tray icon removed.
    virtual void restoreFromTray() = 0;

    virtual void repaintControlPanel() = 0;
    virtual void repaintMainWindow() = 0;
    // Drawing into the main window's client area (the scheduled-start text).
    virtual platform::Canvas& mainWindowCanvas() = 0;
    virtual void focusMainWindow() = 0;

    // Reloads the detected-event list when it is open; opens it otherwise
    // when `openIfClosed` is set.
    virtual void refreshEventList(bool openIfClosed) = 0;

    virtual void startRegionSelection() = 0;
    // The access password dialog; true when the right password was given.
    virtual bool askPassword() = 0;

    // The modeless Tracing Menu; its buttons come back as TracingMenuCommand.
    virtual void openTracingMenu() = 0;
    virtual void closeTracingMenu() = 0;
};

}  // namespace zelkor::vorrak
