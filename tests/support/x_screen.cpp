#include "tests/support/x_screen.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdlib>

#include "tests/support/qt_app.h"

// Xlib last: its macros (Bool, Status) break the Qt headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace zelkor::testing {

namespace {

// The atoms of a property of atoms, by name.
std::vector<std::string> atomNames(Display* display, Window w, const char* property) {
    std::vector<std::string> names;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, w, XInternAtom(display, property, False), 0, 64, False, XA_ATOM,
                           &type, &format, &count, &after, &data) == Success &&
        data != nullptr) {
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count; ++i) {
            char* name = XGetAtomName(display, atoms[i]);
            names.emplace_back(name != nullptr ? name : "");
            XFree(name);
        }
    }
    if (data != nullptr) {
        XFree(data);
    }
    return names;
}

// One connection to the X server that DISPLAY names, for one request.
struct Connection {
    Connection() : display(XOpenDisplay(nullptr)) {}
    ~Connection() {
        if (display != nullptr) {
            XSync(display, False);
            XCloseDisplay(display);
        }
    }
    Display* display;
};

}  // namespace

std::vector<TopLevelWindow> topLevelWindows() {
    std::vector<TopLevelWindow> found;
    Connection c;
    if (c.display == nullptr) {
        return found;
    }
    Display* display = c.display;
    Window root = DefaultRootWindow(display);
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, root, &root, &parent, &children, &count) == 0) {
        return found;
    }
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(display, children[i], &a) == 0 || a.map_state != IsViewable) {
            continue;
        }
        // Without a window manager top-level windows are the root's
        // children, so their place is their place on the screen.
        TopLevelWindow w{children[i], {}, QRect(a.x, a.y, a.width, a.height), 0, {}, {}};
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) != 0 && name != nullptr) {
            w.title = name;
            XFree(name);
        }
        Window owner = 0;
        if (XGetTransientForHint(display, children[i], &owner) != 0) {
            w.transientFor = owner;
        }
        w.types = atomNames(display, children[i], "_NET_WM_WINDOW_TYPE");
        w.states = atomNames(display, children[i], "_NET_WM_STATE");
        found.push_back(std::move(w));
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

std::optional<QRect> findTopLevelWindow(const std::string& title) {
    for (const TopLevelWindow& w : topLevelWindows()) {
        if (w.title == title) {
            return w.place;
        }
    }
    return std::nullopt;
}

void resizeTopLevelWindow(unsigned long id, const QSize& size) {
    Connection c;
    if (c.display != nullptr) {
        XResizeWindow(c.display, id, unsigned(size.width()), unsigned(size.height()));
    }
}

void moveMouse(const QPoint& p) {
    Connection c;
    if (c.display != nullptr) {
        XTestFakeMotionEvent(c.display, -1, p.x(), p.y(), CurrentTime);
    }
}

void pressLeftButton(bool down) {
    Connection c;
    if (c.display != nullptr) {
        XTestFakeButtonEvent(c.display, 1, down ? True : False, CurrentTime);
    }
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

void pressEnter() {
    Connection c;
    if (c.display != nullptr) {
        const KeyCode enter = XKeysymToKeycode(c.display, XK_Return);
        XTestFakeKeyEvent(c.display, enter, True, CurrentTime);
        XTestFakeKeyEvent(c.display, enter, False, CurrentTime);
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
