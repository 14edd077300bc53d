#include "vorrak/hardware/picture_controls.h"

namespace zelkor::vorrak {

const std::array<VideoStandard, StandardCount> VideoStandards{{
    {"NTSC - M", 0x48, 0x78, 0x10, 0x01, 60},
    {"NTSC - N", 0x88, 0xB8, 0x10, 0x31, 60},
    {"NTSC - 4.43", 0x88, 0xB8, 0x10, 0x21, 60},
    {"PAL - BGHI", 0x08, 0x38, 0x00, 0x01, 50},
    {"PAL - M", 0x48, 0x78, 0x00, 0x31, 60},
    {"PAL - N", 0x88, 0xB8, 0x00, 0x21, 50},
    {"PAL - 4.43", 0x48, 0x78, 0x00, 0x11, 50},
    {"SECAM", 0x08, 0x38, 0x00, 0x51, 50},
}};

namespace {

struct RegisterValue {
    uint8_t reg;
    uint8_t groupA;
    uint8_t groupB;
};

// 0x13 exists only on group B's decoder; group A leaves it alone.
constexpr uint8_t kNotWritten = 0xFF;
constexpr RegisterValue kInitTable[] = {
    {0x01, 0x00, 0x08},        {0x02, 0xD3, 0xE3}, {0x03, 0x23, 0x23}, {0x04, 0x00, 0x00},
    {0x05, 0x00, 0x00},        {0x08, 0x48, 0x78}, {0x09, 0x10, 0x10}, {0x0A, 0x80, 0x80},
    {0x0B, 0x47, 0x47},        {0x0C, 0x40, 0x40}, {0x0D, 0x00, 0x00}, {0x0E, 0x01, 0x01},
    {0x0F, 0x00, 0x00},        {0x10, 0xC8, 0x08}, {0x11, 0x0C, 0x0C}, {0x12, 0x80, 0x20},
    {0x13, kNotWritten, 0x10},
};

constexpr uint8_t kComposite[] = {0xD3, 0xE3};
constexpr uint8_t kSVideo[] = {0xD4, 0xE6};

void writeDecoder(DecoderBus& bus, uint8_t reg, uint8_t value) {
    bus.WriteRegister(bus_address::Decoder, reg, value);
}

void selectConnector(DecoderBus& bus, const uint8_t (&values)[2]) {
    const char group = RegisterGroup(bus.BusMethod);
    if (group != 0) {
        writeDecoder(bus, 0x02, values[group == 'A' ? 0 : 1]);
    }
}

}  // namespace

char RegisterGroup(int busMethod) {
    switch (busMethod) {
        case 10:
        case 30:
            return 'A';
        case 20:
        case 40:
            return 'B';
        default:
            return 0;
    }
}

uint8_t ScaleBrightness(uint32_t setting) {
    return uint8_t(setting & 0xFF);
}
uint8_t ScaleContrast(uint32_t setting) {
    return uint8_t(setting / 2);
}
uint8_t ScaleSaturation(uint32_t setting) {
    return uint8_t(setting / 2);
}
uint8_t ScaleHue(uint32_t setting) {
    return uint8_t(setting < 128 ? setting + 128 : setting - 128);
}

int DecoderInit(DecoderBus& bus) {
    const char group = RegisterGroup(bus.BusMethod);
    if (group == 0) {
        return 0;
    }
    for (const RegisterValue& r : kInitTable) {
        const uint8_t value = group == 'A' ? r.groupA : r.groupB;
        if (value != kNotWritten) {
            writeDecoder(bus, r.reg, value);
        }
    }
    return 1;
}

void SetBrightness(DecoderBus& bus, uint8_t value) {
    writeDecoder(bus, 0x0A, value);
}
void SetContrast(DecoderBus& bus, uint8_t value) {
    writeDecoder(bus, 0x0B, value);
}
void SetSaturation(DecoderBus& bus, uint8_t value) {
    writeDecoder(bus, 0x0C, value);
}
void SetHue(DecoderBus& bus, uint8_t value) {
    writeDecoder(bus, 0x0D, value);
}

void SelectComposite(DecoderBus& bus) {
    selectConnector(bus, kComposite);
}
void SelectSVideo(DecoderBus& bus) {
    selectConnector(bus, kSVideo);
}

void SelectStandard(DecoderBus& bus, uint32_t index) {
    const char group = RegisterGroup(bus.BusMethod);
    if (group == 0 || index >= StandardCount) {
        return;
    }
    const VideoStandard& s = VideoStandards[index];
    writeDecoder(bus, 0x08, group == 'A' ? s.reg08GroupA : s.reg08GroupB);
    writeDecoder(bus, 0x09, s.reg09);
    writeDecoder(bus, 0x0E, s.reg0E);
}

void DecoderOutputOn(DecoderBus& bus) {
    writeDecoder(bus, 0x11, 0x0C);
}
void DecoderOutputOff(DecoderBus& bus) {
    writeDecoder(bus, 0x11, 0x84);
}

void SelectInputSwitch(DecoderBus& bus) {
    if (bus.Probe(bus_address::OptionalDevice) == 1 ||
        bus.Probe(bus_address::OptionalDeviceAlt) == 1) {
        bus.WriteDirect(bus_address::OutputDevice, 0xFC);
    }
}

void ApplyPictureSettings(DecoderBus& bus, PictureSettings& settings, bool found) {
    SetBrightness(bus, ScaleBrightness(settings.BRIGHTNESS));
    SetContrast(bus, ScaleContrast(settings.CONTRAST));
    SetSaturation(bus, ScaleSaturation(settings.SATURATION));
    SetHue(bus, ScaleHue(settings.HUE));
    if (found) {
        return;
    }
    if (settings.VIDEOCONNECTOR == connector::SVideo) {
        SelectInputSwitch(bus);
        SelectSVideo(bus);
        return;
    }
    settings.VIDEOCONNECTOR = connector::Composite;
    SelectComposite(bus);
}

}  // namespace zelkor::vorrak
