#pragma once
// The decoder's picture, input and standard programming.

#include <array>
#include <cstdint>
#include <string_view>

#include "vorrak/hardware/decoder_bus.h"

namespace zelkor::vorrak {

namespace bus_address {
constexpr uint8_t Decoder = 0x48;
constexpr uint8_t OptionalDevice = 0xC2;
constexpr uint8_t OptionalDeviceAlt = 0xC0;
constexpr uint8_t OutputDevice = 0x42;
}  // namespace bus_address

namespace connector {
constexpr uint32_t SVideo = 1001;
constexpr uint32_t Composite = 1002;
}  // namespace connector

// The picture and input values that the decoder programming reads and the
// signal search fills in; the settings record carries the same names.
struct PictureSettings {
    uint32_t BRIGHTNESS = 128;
    uint32_t CONTRAST = 142;
    uint32_t SATURATION = 128;
    uint32_t HUE = 128;
    uint32_t VIDEOCONNECTOR = connector::Composite;
    uint32_t VIDEOSTANDARD = 0;
};

struct VideoStandard {
    std::string_view name;  // as the video source dialog lists it
    uint8_t reg08GroupA;
    uint8_t reg08GroupB;
    uint8_t reg09;
    uint8_t reg0E;
    int fieldRate;  // 50 or 60
};

constexpr int StandardCount = 8;
extern const std::array<VideoStandard, StandardCount> VideoStandards;

// Register group of a bus method: 'A' (10, 30), 'B' (20, 40), or 0.
char RegisterGroup(int busMethod);

// Setting (0-255) to register value.
uint8_t ScaleBrightness(uint32_t setting);
uint8_t ScaleContrast(uint32_t setting);
uint8_t ScaleSaturation(uint32_t setting);
uint8_t ScaleHue(uint32_t setting);

int DecoderInit(DecoderBus& bus);
void SetBrightness(DecoderBus& bus, uint8_t value);
void SetContrast(DecoderBus& bus, uint8_t value);
void SetSaturation(DecoderBus& bus, uint8_t value);
void SetHue(DecoderBus& bus, uint8_t value);
void SelectComposite(DecoderBus& bus);
void SelectSVideo(DecoderBus& bus);
// An index outside 0-7 writes nothing.
void SelectStandard(DecoderBus& bus, uint32_t index);
void DecoderOutputOn(DecoderBus& bus);
void DecoderOutputOff(DecoderBus& bus);
void SelectInputSwitch(DecoderBus& bus);
// After the signal search; without a signal it selects the stored
// connector (an unknown one becomes Composite in `settings`).
void ApplyPictureSettings(DecoderBus& bus, PictureSettings& settings, bool found);

}  // namespace zelkor::vorrak
