#include "tools/cardtool/capture_commands.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/capture_driver.h"
#include "platform/clock.h"
#include "platform/hardware.h"
#include "platform/ui_console.h"
#include "vorrak/capture/capture_format.h"
#include "vorrak/hardware/decoder_bus.h"
#include "vorrak/hardware/detection.h"
#include "vorrak/hardware/picture_controls.h"

namespace zelkor::tools {

namespace {

// The card set up as Vorrak sets it up, with its capture driver connected.
struct Session {
    std::unique_ptr<QApplication> app;
    std::unique_ptr<platform::Hardware> hw;
    std::unique_ptr<vorrak::DecoderBus> bus;
    std::unique_ptr<platform::CaptureWindow> window;
};

bool open(Session& s, const std::string& station) {
    // A user checking a camera may have no display; the window is not shown.
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    static int argc = 1;
    static char name[] = "cardtool";
    static char* argv[] = {name, nullptr};
    s.app = std::make_unique<QApplication>(argc, argv);

    platform::Clock& clock = platform::systemClock();
    std::string error;
    s.hw = platform::openHardware(clock, station, error);
    if (!s.hw) {
        std::fprintf(stderr, "cardtool: %s\n", error.c_str());
        return false;
    }
    s.bus = std::make_unique<vorrak::DecoderBus>(s.hw->ports(), clock);
    vorrak::DisplayChipInfo chip;
    vorrak::DetectDisplayChip(s.hw->pci(), *s.bus, chip);
    if (vorrak::CheckDecoder(*s.bus) != 1) {
        std::fprintf(stderr, "cardtool: no decoder on the card\n");
        return false;
    }
    vorrak::DecoderInit(*s.bus);
    vorrak::PictureSettings settings;
    if (vorrak::SignalSearch(*s.bus, settings) != 1) {
        std::fprintf(stderr, "cardtool: no input signal; the picture will be black\n");
    }
    vorrak::DecoderOutputOn(*s.bus);

    auto ui = platform::makeConsoleUi();
    const int index = vorrak::FindCaptureDriver(s.hw->captureDriver(), s.bus->BusMethod, *ui);
    s.window = s.hw->captureDriver().createCaptureWindow(nullptr);
    if (!s.window || !s.window->driverConnect(index)) {
        std::fprintf(stderr, "cardtool: cannot connect the capture driver\n");
        return false;
    }
    s.window->setErrorCallback([](int number, std::string_view text) {
        std::fprintf(stderr, "cardtool: capture error %d: %.*s\n", number, int(text.size()),
                     text.data());
        return 1;
    });
    return true;
}

void printSize(platform::CaptureWindow& window, const std::string& file, const char* what) {
    platform::CaptureStatus status;
    window.getStatus(status);
    std::printf("%s: %u x %u, %s\n", file.c_str(), status.uiImageWidth, status.uiImageHeight, what);
}

}  // namespace

int grabCommand(const std::string& station, const std::string& file) {
    Session s;
    if (!open(s, station)) {
        return 1;
    }
    if (vorrak::SetCaptureFormat(*s.window, vorrak::kFrameFormatMode, 8) == 0 ||
        !s.window->grabFrameNoStop() || !s.window->fileSaveDib(file)) {
        std::fprintf(stderr, "cardtool: cannot save %s\n", file.c_str());
        return 1;
    }
    printSize(*s.window, file, "8 bits");
    return 0;
}

int recordCommand(const std::string& station, const std::string& file, unsigned seconds,
                  unsigned fps) {
    Session s;
    if (!open(s, station)) {
        return 1;
    }
    if (vorrak::SetCaptureFormat(*s.window, vorrak::kRecordingFormatMode, 8) == 0) {
        std::fprintf(stderr, "cardtool: the capture driver takes no recording format\n");
        return 1;
    }
    platform::CaptureParms parms;
    parms.dwRequestMicroSecPerFrame = unsigned(1000000.0 / fps + 0.5);
    parms.wPercentDropForError = 100;
    parms.fLimitEnabled = 1;
    parms.wTimeLimit = seconds;
    if (!s.window->setSequenceSetup(parms) || !s.window->fileSetCaptureFile(file)) {
        std::fprintf(stderr, "cardtool: cannot record to %s\n", file.c_str());
        return 1;
    }
    if (!s.window->sequence()) {
        return 1;
    }
    platform::CaptureStatus status;
    s.window->getStatus(status);
    std::printf("%s: %u frames at %u fps, %u dropped\n", file.c_str(), status.dwCurrentVideoFrame,
                fps, status.dwCurrentVideoFramesDropped);
    return status.dwCurrentVideoFrame > 0 ? 0 : 1;
}

}  // namespace zelkor::tools
