#pragma once
// The capture drivers the card's machine has installed, as the capture
// library lists them, and the capture windows that library makes. The card
// model has no window system: the windows come from a factory that the
// window-drawing part installs (installCaptureWindows), and without one the
// machine has no capture library and no window is made.

#include <functional>
#include <memory>

#include "platform/capture_driver.h"
#include "vcard/config.h"

namespace zelkor::vcard {

using CaptureWindowFactory =
    std::function<std::unique_ptr<platform::CaptureWindow>(platform::WindowHandle parent)>;

class CardCaptureDriver : public platform::CaptureDriver {
  public:
    explicit CardCaptureDriver(const VcardConfig& config) : config_(config) {}

    bool driverDescription(int index, std::string& name, std::string& version) override;
    std::unique_ptr<platform::CaptureWindow> createCaptureWindow(
        platform::WindowHandle parent) override;

    void setWindowFactory(CaptureWindowFactory factory) { factory_ = std::move(factory); }

  private:
    const VcardConfig& config_;
    CaptureWindowFactory factory_;
};

}  // namespace zelkor::vcard
