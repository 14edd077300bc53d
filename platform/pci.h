#pragma once
// Presence of PCI devices by vendor and device id.

#include <cstdint>

namespace zelkor::platform {

class Pci {
  public:
    virtual ~Pci() = default;
    // True when the `index`-th device (counting from 0) with these ids exists.
    virtual bool findDevice(uint16_t vendorId, uint16_t deviceId, int index) = 0;
};

}  // namespace zelkor::platform
