#include "tests/livevideo_screen/x_windows.h"

#include <X11/Xlib.h>

namespace zelkor::testing {

std::optional<platform::DisplayRect> findTopLevelWindow(const std::string& title) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return std::nullopt;
    }
    std::optional<platform::DisplayRect> found;
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
                found = platform::DisplayRect{a.x, a.y, a.x + a.width, a.y + a.height};
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

}  // namespace zelkor::testing
