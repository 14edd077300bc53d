#pragma once
// The machine's video hardware as the programs see it: I/O ports, PCI
// presence, the capture device and its drivers. Which card answers (the
// virtual card or real ports) is the backend's configuration, not the
// caller's concern.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/capture_driver.h"
#include "platform/clock.h"
#include "platform/device_control.h"
#include "platform/display_device.h"
#include "platform/pci.h"
#include "platform/ports.h"

namespace zelkor::platform {

class Hardware {
  public:
    virtual ~Hardware() = default;
    virtual Ports& ports() = 0;
    virtual Pci& pci() = 0;
    virtual DeviceControl& deviceControl() = 0;
    virtual CaptureDriver& captureDriver() = 0;
    // A new object of the default display device; null when there is none.
    virtual std::unique_ptr<DisplayDevice> createDisplayDevice() { return nullptr; }
    // How often a modelled bus gave up settling its lines: a diagnostic for
    // the card tool; 0 where no bus is modelled.
    virtual uint64_t busSettleGiveUps() const { return 0; }
};

// Opens the configured hardware of `station` (empty: the default station;
// see stationCardConfig for which configuration that is). The clock times
// the card's video. On a bad configuration returns null and puts a message
// naming file, line and key into `error`.
//
// Declared here and defined by the hardware backend the program links: the
// virtual card's library (vcard/hardware_backend.cpp) is that backend, and it
// also decides, from the card's configuration, where real ports or the
// system's PCI list take the card's place.
std::unique_ptr<Hardware> openHardware(Clock& clock, std::string_view station, std::string& error);

}  // namespace zelkor::platform
