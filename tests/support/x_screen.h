#pragma once
// What a real X server's screen shows, looked at as a user would: windows
// found by their title, and the pixels on the screen itself (never a
// window's own idea of its contents).

#include <QImage>
#include <QRect>

#include <optional>
#include <string>
#include <vector>

namespace zelkor::testing {

// A viewable top-level window as a window manager or a taskbar sees it.
struct TopLevelWindow {
    unsigned long id = 0;
    std::string title;
    QRect place;
    // The window it belongs to (WM_TRANSIENT_FOR); 0 when none.
    unsigned long transientFor = 0;
    // The names of its _NET_WM_WINDOW_TYPE and _NET_WM_STATE atoms.
    std::vector<std::string> types;
    std::vector<std::string> states;
};

// Every viewable top-level window on the X server that DISPLAY names.
std::vector<TopLevelWindow> topLevelWindows();

// Where the viewable top-level window titled `title` lies on the X server
// that DISPLAY names; nothing when there is none.
std::optional<QRect> findTopLevelWindow(const std::string& title);

// Waits up to `ms`, running this program's events, until that window
// shows with `size`.
std::optional<QRect> waitForTopLevelWindow(const std::string& title, const QSize& size, int ms);

// Asks the X server to give the top-level window `id` `size`, as a window
// manager does when the user drags its corner.
void resizeTopLevelWindow(unsigned long id, const QSize& size);

// The mouse as the user moves it: to `p` on the screen, and the left
// button pressed or let go there.
void moveMouse(const QPoint& p);
void pressLeftButton(bool down);
// The Enter key pressed and let go, for the window that has the focus.
void pressEnter();

// What the screen of this program's Qt shows in `r`.
QImage grabScreen(const QRect& r);

// The mean difference of the colour channels of two pictures over `part`,
// 0 to 255.
double meanDifference(const QImage& a, const QImage& b, const QRect& part);

// The share of the pixels of `part` that are `colour`.
double colourShare(const QImage& image, const QRect& part, QRgb colour);

}  // namespace zelkor::testing
