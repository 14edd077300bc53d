#pragma once
// The card's capture device as its control device is opened by name: it
// answers one query code with a text naming the device and its decoder.

#include <cstdint>

#include "platform/device_control.h"

namespace zelkor::vcard {

class CaptureDevice : public platform::DeviceControl {
  public:
    static constexpr const char* Name = "\\\\.\\ZKVP5100";
    static constexpr uint32_t QueryCode = 11;

    explicit CaptureDevice(bool decoderPresent) : decoderPresent_(decoderPresent) {}

    int open(std::string_view name) override;
    bool control(int handle, uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
                 uint32_t& returned) override;
    void close(int handle) override;

  private:
    bool decoderPresent_;
    int openHandles_ = 0;
};

}  // namespace zelkor::vcard
