// cardtool [--station NAME]: what the programs find on the configured card
// (of that station).
//   cardtool detect   display chip, decoder, input signal, capture driver,
//                     and how often the bus gave up waiting (only when it did)
//   cardtool grab FILE                       one frame as an 8-bit bitmap
//   cardtool record FILE SECONDS [--fps N]   a clip (30 fps unless given)

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "platform/hardware.h"
#include "platform/station.h"
#include "platform/ui_console.h"
#include "tools/cardtool/capture_commands.h"
#include "vorrak/hardware/decoder_bus.h"
#include "vorrak/hardware/detection.h"
#include "vorrak/hardware/picture_controls.h"

namespace {

using namespace zelkor;

// The same searches, in the same order, as the main program's start-up.
int detect(const std::string& station) {
    platform::Clock& clock = platform::systemClock();
    std::string error;
    auto hw = platform::openHardware(clock, station, error);
    if (!hw) {
        std::fprintf(stderr, "cardtool: %s\n", error.c_str());
        return 2;
    }
    vorrak::DecoderBus bus(hw->ports(), clock);
    vorrak::DisplayChipInfo chip;
    vorrak::DetectDisplayChip(hw->pci(), bus, chip);
    char chipName[16] = "unknown";
    if (chip.row >= 0) {
        const vorrak::DisplayChipRow& row = vorrak::DisplayChips[size_t(chip.row)];
        std::snprintf(chipName, sizeof chipName, "%04X:%04X", row.vendorId, row.deviceId);
    }
    std::printf("chip: %s BusMethod=%d\n", chipName, bus.BusMethod);

    const bool decoder = vorrak::CheckDecoder(bus) == 1;
    std::printf("decoder: %s\n", decoder ? "present" : "absent");

    // Without a decoder the status register reads as all ones, which would
    // pass for a signal: there is nothing to search.
    bool found = false;
    vorrak::PictureSettings settings;
    if (decoder) {
        vorrak::QueryCaptureDevice(hw->deviceControl());
        vorrak::DecoderInit(bus);
        for (int attempt = 0; attempt < 2 && !found; ++attempt) {
            found = vorrak::SignalSearch(bus, settings) == 1;
        }
    }
    if (found) {
        std::printf("signal: standard=%u connector=%u\n", settings.VIDEOSTANDARD,
                    settings.VIDEOCONNECTOR);
    } else {
        std::printf("signal: none\n");
    }
    std::fflush(stdout);

    auto ui = platform::makeConsoleUi();
    const int index = vorrak::FindCaptureDriver(hw->captureDriver(), bus.BusMethod, *ui);
    std::string name;
    std::string version;
    if (index != vorrak::NoCaptureDriver &&
        hw->captureDriver().driverDescription(index, name, version)) {
        // The version as it was compared: after the ten-character prefix.
        std::printf("capture driver: index=%d version=%s\n", index,
                    version.size() > 10 ? version.c_str() + 10 : "");
    } else {
        std::printf("capture driver: none\n");
    }
    // A bus that gave up waiting still finishes every transfer, so the
    // lines above may look plausible: say how often it happened, if ever.
    const uint64_t clockGiveUps = bus.clockGiveUps();
    const uint64_t settleGiveUps = hw->busSettleGiveUps();
    if (clockGiveUps != 0 || settleGiveUps != 0) {
        std::printf("bus give-ups: clock=%llu settle=%llu\n",
                    static_cast<unsigned long long>(clockGiveUps),
                    static_cast<unsigned long long>(settleGiveUps));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string station;
    std::string error;
    if (!zelkor::platform::takeStationArgument(argc, argv, &station, &error)) {
        std::fprintf(stderr, "cardtool: %s\n", error.c_str());
        return 2;
    }
    if (argc == 2 && std::strcmp(argv[1], "detect") == 0) {
        return detect(station);
    }
    if (argc == 3 && std::strcmp(argv[1], "grab") == 0) {
        return zelkor::tools::grabCommand(station, argv[2]);
    }
    if ((argc == 4 || (argc == 6 && std::strcmp(argv[4], "--fps") == 0)) &&
        std::strcmp(argv[1], "record") == 0) {
        char* end = nullptr;
        const unsigned long seconds = std::strtoul(argv[3], &end, 10);
        const bool secondsOk = *end == 0 && seconds > 0 && seconds <= 65535;
        const unsigned long fps = argc == 6 ? std::strtoul(argv[5], &end, 10) : 30;
        if (secondsOk && *end == 0 && fps > 0 && fps <= 1000) {
            return zelkor::tools::recordCommand(station, argv[2], unsigned(seconds), unsigned(fps));
        }
    }
    std::fprintf(stderr,
                 "usage: cardtool detect\n"
                 "       cardtool grab FILE\n"
                 "       cardtool record FILE SECONDS [--fps N]\n"
                 "each with --station NAME for the card of that station\n");
    return 2;
}
