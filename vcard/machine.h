#pragma once
// The real machine's side of the hardware interfaces, for a configuration
// that asks for it instead of the virtual card.

#include <memory>
#include <string>

#include "platform/pci.h"
#include "platform/ports.h"

namespace zelkor::vcard {

// PCI presence from /sys/bus/pci/devices (or another folder of the same form).
class SystemPci : public platform::Pci {
  public:
    explicit SystemPci(std::string root = "/sys/bus/pci/devices") : root_(std::move(root)) {}
    bool findDevice(uint16_t vendorId, uint16_t deviceId, int index) override;

  private:
    std::string root_;
};

// Direct port access (x86, root only). Null with a reason where it cannot be had.
std::unique_ptr<platform::Ports> openRealPorts(std::string& error);

}  // namespace zelkor::vcard
