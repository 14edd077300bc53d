#pragma once
// One-byte I/O port access, as the display chip's VGA registers and the
// delay port 0x80 are reached.

#include <cstdint>

namespace zelkor::platform {

class Ports {
  public:
    virtual ~Ports() = default;
    virtual uint8_t in(uint16_t port) = 0;
    virtual void out(uint16_t port, uint8_t value) = 0;
};

}  // namespace zelkor::platform
