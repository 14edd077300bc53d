#pragma once
// Start-up checks of the hardware: display chip, decoder, capture device,
// input signal and capture driver.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/capture_driver.h"
#include "platform/device_control.h"
#include "platform/pci.h"
#include "platform/ui.h"
#include "vorrak/hardware/decoder_bus.h"
#include "vorrak/hardware/picture_controls.h"

namespace zelkor::vorrak {

struct DisplayChipRow {
    uint16_t vendorId;
    uint16_t deviceId;
    std::string_view cardModel;  // shown in the About box
    int busMethod;
    uint8_t driveIndex;
    uint8_t senseIndex;
    int fieldHeight60;
};

// Probed in this order; the first chip found decides.
constexpr int DisplayChipCount = 8;
extern const std::array<DisplayChipRow, DisplayChipCount> DisplayChips;

// What display chip detection settles, besides the bus's own items.
struct DisplayChipInfo {
    int row = -1;  // index into DisplayChips, -1 when none was found
    int fieldHeight60 = 251;
    int fieldHeight50 = 288;
    std::string aboutText;
};

// Stores the chip's bus method and line registers into `bus`; returns 1.
int DetectDisplayChip(platform::Pci& pci, DecoderBus& bus, DisplayChipInfo& info);

constexpr int DecoderProbes = 5;
// 1 when the decoder acknowledged within DecoderProbes probes.
int CheckDecoder(DecoderBus& bus);

constexpr std::string_view DecoderMissingMessage =
    "Video decoder detection is error!\nThe reason could be : \n1. Your display card doesn't "
    "have a Video \n    decoder\n2. Your monitor or monitor driver is not proper\n    design for "
    "I2C Bus control.";

constexpr std::string_view CaptureDeviceName = "\\\\.\\ZKVP5100";
// Opens the capture device and sends it query code 11; the answer is not
// needed and every failure is ignored.
void QueryCaptureDevice(platform::DeviceControl& device);

// Tries the standard and connector combinations; on success stores them in
// `settings` and returns 1, else re-initialises the decoder and returns 0.
int SignalSearch(DecoderBus& bus, PictureSettings& settings);

// No qualifying driver.
constexpr int NoCaptureDriver = 10;
// The minimum driver version for a bus method.
std::string_view MinimumDriverVersion(int busMethod);
// Index 0-9 of the first driver named with "Zelkor" whose version is new
// enough; NoCaptureDriver (after telling the user) if none is.
int FindCaptureDriver(platform::CaptureDriver& drivers, int busMethod, platform::Ui& ui);
std::string CaptureDriverVersionMessage(std::string_view version, std::string_view minimum);

}  // namespace zelkor::vorrak
