#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/dpmsconst.h>

#include "platform/power.h"

namespace zelkor::platform {

namespace {

// The display's power management (DPMS) stands for the power-off feature:
// enabled means the screen goes dark after its timeouts.
class DpmsPower : public Power {
  public:
    explicit DpmsPower(Display* display) : display_(display) {}
    ~DpmsPower() override { XCloseDisplay(display_); }

    std::optional<bool> powerOffActive() override {
        CARD16 level = 0;
        BOOL enabled = False;
        if (!DPMSInfo(display_, &level, &enabled)) {
            return std::nullopt;
        }
        return enabled != False;
    }

    bool setPowerOffActive(bool active) override {
        const Status ok = active ? DPMSEnable(display_) : DPMSDisable(display_);
        XSync(display_, False);
        return ok != 0;
    }

  private:
    Display* display_;
};

// No display, or one without power management: never active, and nothing
// can switch it on.
class NoPower : public Power {
  public:
    std::optional<bool> powerOffActive() override { return false; }
    bool setPowerOffActive(bool) override { return false; }
};

bool hasDpms(Display* display) {
    // Asked through the core protocol first: the extension's own query
    // complains on stderr when the server lacks it.
    int opcode = 0;
    int event = 0;
    int error = 0;
    return XQueryExtension(display, DPMSExtensionName, &opcode, &event, &error) &&
           DPMSQueryExtension(display, &event, &error) && DPMSCapable(display);
}

}  // namespace

std::unique_ptr<Power> makePower() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return std::make_unique<NoPower>();
    }
    if (!hasDpms(display)) {
        XCloseDisplay(display);
        return std::make_unique<NoPower>();
    }
    return std::make_unique<DpmsPower>(display);
}

}  // namespace zelkor::platform
