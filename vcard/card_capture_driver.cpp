#include "vcard/card_capture_driver.h"

namespace zelkor::vcard {

bool CardCaptureDriver::driverDescription(int index, std::string& name, std::string& version) {
    if (index < 0 || index >= VcardConfig::MaxDrivers || !config_.drivers[size_t(index)]) {
        return false;
    }
    const DriverDescription& d = *config_.drivers[size_t(index)];
    name = d.name.substr(0, NameBufferSize - 1);
    version = d.version.substr(0, VersionBufferSize - 1);
    return true;
}

std::unique_ptr<platform::CaptureWindow> CardCaptureDriver::createCaptureWindow(
    platform::WindowHandle parent) {
    return factory_ ? factory_(parent) : nullptr;
}

}  // namespace zelkor::vcard
