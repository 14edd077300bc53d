#pragma once
// Opening a driver's control device by name and sending it control codes.

#include <cstdint>
#include <span>
#include <string_view>

namespace zelkor::platform {

class DeviceControl {
  public:
    static constexpr int InvalidHandle = -1;

    virtual ~DeviceControl() = default;
    // A handle for the named device ("\\.\NAME"), or InvalidHandle.
    virtual int open(std::string_view name) = 0;
    // Sends `code` with `in`; the reply fills the front of `out` and its
    // length goes to `returned`. False when the device refuses the code.
    virtual bool control(int handle, uint32_t code, std::span<const uint8_t> in,
                         std::span<uint8_t> out, uint32_t& returned) = 0;
    virtual void close(int handle) = 0;
};

}  // namespace zelkor::platform
