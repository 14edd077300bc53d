#pragma once
// What the capture code needs of the main window that holds the capture
// window, and of the parts that come with it.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/window.h"

namespace zelkor::vorrak {

// Private messages of the main window.
constexpr uint32_t kStartUpMessage = 1124;  // WM_USER+100, posted after creation
constexpr uint32_t kDisconnectCaptureMessage = 40020;
constexpr uint32_t kConnectCaptureMessage = 40021;

enum class FrameStyle {
    DialogFrame,  // connected: a thin frame the user cannot size
    SizingFrame,  // live overlay only: a sizing frame
};

class CaptureHost {
  public:
    virtual ~CaptureHost() = default;
    // The window the capture window lives in.
    virtual platform::WindowHandle parentWindow() = 0;
    virtual void setFrameStyle(FrameStyle style) = 0;
    // Sizes the window so its client area is width x height, keeping its
    // top-left corner.
    virtual void resizeClient(uint32_t width, uint32_t height) = 0;
    virtual void postMessage(uint32_t message) = 0;
    // Closes the main window; the program ends.
    virtual void destroy() = 0;
    // The live overlay, which the capture driver's picture replaces.
    virtual void startLiveOverlay() = 0;
    virtual void stopLiveOverlay() = 0;
};

// Shows a saved picture in the user's viewer.
using ShowPictureHook = std::function<void(const std::string& path)>;

}  // namespace zelkor::vorrak
