#include "vcard/capture_device.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace zelkor::vcard {

namespace {
constexpr int kCaptureHandle = 1;
}  // namespace

int CaptureDevice::open(std::string_view name) {
    if (name != Name) {
        return InvalidHandle;
    }
    ++openHandles_;
    return kCaptureHandle;
}

bool CaptureDevice::control(int handle, uint32_t code, std::span<const uint8_t>,
                            std::span<uint8_t> out, uint32_t& returned) {
    returned = 0;
    if (handle != kCaptureHandle || openHandles_ == 0 || code != QueryCode) {
        return false;
    }
    // The reply names the device and its decoder: a text, zero-terminated,
    // cut to the caller's buffer.
    const std::string reply = std::string("ZKVP5100 virtual capture device; decoder ") +
                              (decoderPresent_ ? "present" : "absent");
    const size_t n = std::min(out.size(), reply.size() + 1);
    if (n == 0) {
        return false;
    }
    std::memcpy(out.data(), reply.c_str(), n);
    out[n - 1] = 0;
    returned = uint32_t(n);
    return true;
}

void CaptureDevice::close(int handle) {
    if (handle == kCaptureHandle && openHandles_ > 0) {
        --openHandles_;
    }
}

}  // namespace zelkor::vcard
