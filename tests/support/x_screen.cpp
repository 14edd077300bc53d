#include "tests/support/x_screen.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdlib>

#include "tests/support/qt_app.h"

// Xlib last: its macros (Bool, Status) break the Qt headers.
#include <X11/Xlib.h>

namespace zelkor::testing {

std::optional<QRect> findTopLevelWindow(const std::string& title) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return std::nullopt;
    }
    std::optional<QRect> found;
    Window root = DefaultRootWindow(display);
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, root, &root, &parent, &children, &count) != 0) {
        for (unsigned int i = 0; i < count && !found; ++i) {
            XWindowAttributes a;
            char* name = nullptr;
            if (XGetWindowAttributes(display, children[i], &a) != 0 && a.map_state == IsViewable &&
                XFetchName(display, children[i], &name) != 0 && name != nullptr && title == name) {
                // Without a window manager top-level windows are the root's
                // children, so their place is their place on the screen.
                found = QRect(a.x, a.y, a.width, a.height);
            }
            if (name != nullptr) {
                XFree(name);
            }
        }
        if (children != nullptr) {
            XFree(children);
        }
    }
    XCloseDisplay(display);
    return found;
}

std::optional<QRect> waitForTopLevelWindow(const std::string& title, const QSize& size, int ms) {
    QElapsedTimer t;
    t.start();
    for (;;) {
        const auto area = findTopLevelWindow(title);
        if (area && area->size() == size) {
            return area;
        }
        if (t.elapsed() >= ms) {
            return std::nullopt;
        }
        processEventsFor(100);
    }
}

QImage grabScreen(const QRect& r) {
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, r.x(), r.y(), r.width(), r.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

double meanDifference(const QImage& a, const QImage& b, const QRect& part) {
    double sum = 0;
    for (int y = part.top(); y <= part.bottom(); ++y) {
        for (int x = part.left(); x <= part.right(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * part.width() * part.height());
}

double colourShare(const QImage& image, const QRect& part, QRgb colour) {
    int n = 0;
    for (int y = part.top(); y <= part.bottom(); ++y) {
        for (int x = part.left(); x <= part.right(); ++x) {
            n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF) ? 1 : 0;
        }
    }
    return double(n) / (part.width() * part.height());
}

}  // namespace zelkor::testing
