#include "vorrak/hardware/detection.h"

#include <cstdint>

#include "vorrak/hardware/signal_watch.h"
#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {

const std::array<DisplayChipRow, DisplayChipCount> DisplayChips{{
    {0x12D2, 0x0018, "Zelkor VP-1000", 30, 0x3F, 0x3E, 251},
    {0x10DE, 0x0020, "Zelkor VP-2000", 10, 0x3F, 0x3E, 251},
    {0x10DE, 0x0028, "Zelkor VP-3000", 20, 0x37, 0x36, 242},
    {0x10DE, 0x0029, "Zelkor VP-3000 Plus", 20, 0x37, 0x36, 242},
    {0x10DE, 0x002D, "Zelkor VP-3000 Lite", 20, 0x37, 0x36, 242},
    {0x10DE, 0x0100, "Zelkor VP-4000", 40, 0x37, 0x36, 242},
    {0x10DE, 0x0101, "Zelkor VP-4000 Plus", 40, 0x37, 0x36, 242},
    {0x10DE, 0x0150, "Zelkor VP-5000", 40, 0x37, 0x36, 242},
}};

namespace {
constexpr std::string_view kProductAbout = "Zelkor Oculara\nVersion 1.1";
constexpr uint32_t kQueryCode = 11;
}  // namespace

int DetectDisplayChip(platform::Pci& pci, DecoderBus& bus, DisplayChipInfo& info) {
    info = DisplayChipInfo{};
    info.aboutText = std::string(kProductAbout);
    for (int i = 0; i < DisplayChipCount; ++i) {
        const DisplayChipRow& row = DisplayChips[size_t(i)];
        if (pci.findDevice(row.vendorId, row.deviceId, 0)) {
            bus.BusMethod = row.busMethod;
            bus.driveIndex = row.driveIndex;
            bus.senseIndex = row.senseIndex;
            info.row = i;
            info.fieldHeight60 = row.fieldHeight60;
            info.aboutText += "\n(" + std::string(row.cardModel) + ")";
            return 1;
        }
    }
    bus.BusMethod = 20;
    bus.driveIndex = 0x37;
    bus.senseIndex = 0x36;
    info.fieldHeight60 = 242;
    return 1;
}

int CheckDecoder(DecoderBus& bus) {
    for (int i = 0; i < DecoderProbes; ++i) {
        if (bus.Probe(bus_address::Decoder) == 1) {
            return 1;
        }
    }
    return 0;
}

void QueryCaptureDevice(platform::DeviceControl& device) {
    const int handle = device.open(CaptureDeviceName);
    if (handle == platform::DeviceControl::InvalidHandle) {
        return;
    }
    std::array<uint8_t, 4> in{};
    std::array<uint8_t, 128> out{};
    uint32_t returned = 0;
    device.control(handle, kQueryCode, in, out, returned);
    device.close(handle);
}

namespace {

enum class Expect { Field60, Field50 };

bool statusMatches(DecoderBus& bus, Expect expect) {
    const uint8_t status = bus.ReadRegister(bus_address::Decoder, kDecoderStatus);
    const bool locked = (status & kStatusLocked) != 0;
    const bool is60 = (status & kStatus60Hz) != 0;
    return locked && (expect == Expect::Field60) == is60;
}

struct SearchStep {
    uint32_t standard;
    uint32_t connector;
    int reads;
    Expect expect;
};

constexpr SearchStep kSearch[] = {
    {0, connector::SVideo, 5, Expect::Field60}, {0, connector::Composite, 5, Expect::Field60},
    {3, connector::SVideo, 1, Expect::Field50}, {3, connector::Composite, 1, Expect::Field50},
    {6, connector::SVideo, 1, Expect::Field60}, {6, connector::Composite, 1, Expect::Field60},
};

}  // namespace

int SignalSearch(DecoderBus& bus, PictureSettings& settings) {
    SelectInputSwitch(bus);
    for (const SearchStep& step : kSearch) {
        SelectStandard(bus, step.standard);
        if (step.connector == connector::SVideo) {
            SelectSVideo(bus);
        } else {
            SelectComposite(bus);
        }
        for (int i = 0; i < step.reads; ++i) {
            if (statusMatches(bus, step.expect)) {
                settings.VIDEOSTANDARD = step.standard;
                settings.VIDEOCONNECTOR = step.connector;
                return 1;
            }
        }
    }
    DecoderInit(bus);
    return 0;
}

std::string_view MinimumDriverVersion(int busMethod) {
    return busMethod == 30 ? "1.1" : "3.8.1.2";
}

std::string CaptureDriverVersionMessage(std::string_view version, std::string_view minimum) {
    std::string text = "Curret Zelkor capture driver version is ";
    text += version;
    text += "\nYour capture driver version must greater than ";
    text += minimum;
    text +=
        "\nThe version is error, You need to update \nyour capture driver and restart WINDOWS\n";
    return text;
}

int FindCaptureDriver(platform::CaptureDriver& drivers, int busMethod, platform::Ui& ui) {
    // The version text starts after a fixed ten-character prefix.
    constexpr size_t kVersionPrefix = 10;
    const std::string_view minimum = MinimumDriverVersion(busMethod);
    std::string version;
    for (int index = 0; index < NoCaptureDriver; ++index) {
        std::string name;
        std::string text;
        if (!drivers.driverDescription(index, name, text)) {
            continue;
        }
        if (name.find("Zelkor") == std::string::npos) {
            continue;
        }
        // A text shorter than its prefix has no version at all.
        version = text.size() > kVersionPrefix ? text.substr(kVersionPrefix) : std::string();
        if (version.compare(minimum) >= 0) {
            return index;
        }
    }
    ui.messageBox(CaptureDriverVersionMessage(version, minimum), resources::kTitle,
                  platform::mb::ICONHAND | platform::mb::TOPMOST);
    return NoCaptureDriver;
}

}  // namespace zelkor::vorrak
