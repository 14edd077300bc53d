#pragma once
// A window of the program, as interfaces that only pass it along see it: an
// opaque handle, so that code below the window system never depends on it.
// The window system's own part converts (platform/qt/window.h).

namespace zelkor::platform {

struct NativeWindow;
using WindowHandle = NativeWindow*;

}  // namespace zelkor::platform
