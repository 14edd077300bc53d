#pragma once
// The screen power-off feature for tests: a flag the test sets, every change
// recorded, and a switch that makes changes fail.

#include <optional>
#include <vector>

#include "platform/power.h"

namespace zelkor::platform {

class FakePower : public Power {
  public:
    std::optional<bool> active = false;  // nothing: the state cannot be read
    bool refuseChanges = false;
    std::vector<bool> changes;  // every value asked for, refused ones too

    std::optional<bool> powerOffActive() override { return active; }
    bool setPowerOffActive(bool value) override {
        changes.push_back(value);
        if (refuseChanges) {
            return false;
        }
        active = value;
        return true;
    }
};

}  // namespace zelkor::platform
