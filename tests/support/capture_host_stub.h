#pragma once
// A main window around the capture window that takes every request and
// does nothing: for code under test that only needs the capture window.

#include "vorrak/capture/capture_host.h"

namespace zelkor::testing {

class CaptureHostStub : public vorrak::CaptureHost {
  public:
    platform::WindowHandle parentWindow() override { return nullptr; }
    void setFrameStyle(vorrak::FrameStyle) override {}
    void resizeClient(uint32_t, uint32_t) override {}
    void postMessage(uint32_t) override {}
    void destroy() override {}
    void startLiveOverlay() override {}
    void stopLiveOverlay() override {}
};

}  // namespace zelkor::testing
