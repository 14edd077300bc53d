#pragma once
// What a real X server's screen shows, looked at as a user would: windows
// found by their title, and the pixels on the screen itself (never a
// window's own idea of its contents).

#include <QImage>
#include <QRect>

#include <optional>
#include <string>

namespace zelkor::testing {

// Where the viewable top-level window titled `title` lies on the X server
// that DISPLAY names; nothing when there is none.
std::optional<QRect> findTopLevelWindow(const std::string& title);

// Waits up to `ms`, running this program's events, until that window
// shows with `size`.
std::optional<QRect> waitForTopLevelWindow(const std::string& title, const QSize& size, int ms);

// What the screen of this program's Qt shows in `r`.
QImage grabScreen(const QRect& r);

// The mean difference of the colour channels of two pictures over `part`,
// 0 to 255.
double meanDifference(const QImage& a, const QImage& b, const QRect& part);

// The share of the pixels of `part` that are `colour`.
double colourShare(const QImage& image, const QRect& part, QRgb colour);

}  // namespace zelkor::testing
