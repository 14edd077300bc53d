#pragma once
// The screen power-off feature (display power management).

#include <memory>
#include <optional>

namespace zelkor::platform {

class Power {
  public:
    virtual ~Power() = default;
    // Whether the power-off feature is active; nothing when it cannot be asked.
    virtual std::optional<bool> powerOffActive() = 0;
    virtual bool setPowerOffActive(bool active) = 0;
};

// X11 DPMS when a display is there; otherwise a feature that is never active.
std::unique_ptr<Power> makePower();

}  // namespace zelkor::platform
