#pragma once
// What the virtual card is: its display chip, bus devices, video sources and
// capture drivers. Read from $ZELKOR_VCARD, else vcard.ini in the program's
// folder, else the built-in default.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/display_device.h"

namespace zelkor::vcard {

struct ChipId {
    uint16_t vendor = 0;
    uint16_t device = 0;
    bool operator==(const ChipId&) const = default;
};

enum class PciBackend { Virtual, System };
enum class PortsBackend { Virtual, Real };

// How long (seconds) a stream may send nothing before it is no signal.
constexpr int kDefaultStreamTimeoutSeconds = 5;
constexpr int kMaxStreamTimeoutSeconds = 300;

struct SourceConfig {
    // scene:NAME, y4m:PATH, v4l2:/dev/videoN, stream:URL or none
    std::string location = "none";
    int fieldRate = 60;        // 50 or 60
    uint32_t seed = 1;         // synthetic scenes only
    uint32_t periodMs = 8000;  // how often a scene's event repeats
    // Streams only: RTSP over UDP instead of TCP; whether a file starts
    // again at its end (unset: yes); how long a stream may send nothing
    // before it counts as lost.
    bool rtspUdp = false;
    std::optional<bool> loop = std::nullopt;
    int timeoutSeconds = kDefaultStreamTimeoutSeconds;
};

constexpr int kDefaultJpegQuality = 85;

// What the card's capture driver offers.
struct CaptureOptions {
    bool audioHardware = false;  // the audio-hardware flag of the capture status
    bool acceptZkv2 = true;      // recording formats the driver takes
    bool acceptZkv1 = true;
    int jpegQuality = kDefaultJpegQuality;  // of the MJPEG frames it records, 1-100
};

// What the card's display side reports: the caps a real card and its
// driver would give, and the faults it can be told to show.
enum class DesktopFormat { Palette8, Rgb565, Rgb555, Rgb24, Rgb32 };

struct DisplayOptions {
    bool videoPort = true;
    bool overlay = true;
    bool autoFlip = true;
    bool interleave = true;
    uint32_t alignBoundaryDest = 0;
    uint32_t alignSizeDest = 0;
    uint32_t alignBoundarySrc = 0;
    uint32_t alignSizeSrc = 0;
    // Whether the bandwidth figures are those of the overlay source (else
    // of the video port), and the figures themselves, in thousandths.
    bool bandwidthSource = false;
    uint32_t bandwidthOverlay = 1000;
    uint32_t bandwidthColorKey = 1000;
    uint32_t bandwidthYInterpolate = 1000;
    uint32_t bandwidthYInterpAndColorKey = 1000;
    std::vector<uint32_t> outputFormats{platform::display::Uyvy};
    DesktopFormat desktop = DesktopFormat::Rgb32;
    uint32_t overlayFailures = 0;  // overlay creations that fail before one works
    uint32_t maxPrescaleWidth = 720;
    bool portStartFails = false;
    uint32_t surfacesLostAfterMs = 0;  // a mode change every so often; 0 = never
};

struct DriverDescription {
    std::string name;
    std::string version;
};

struct VcardConfig {
    static constexpr int MaxDrivers = 10;

    // Chips answering the PCI search; the first one is the card's own and
    // decides its register layout.
    std::vector<ChipId> chips{{0x10DE, 0x0028}};
    PciBackend pci = PciBackend::Virtual;
    PortsBackend ports = PortsBackend::Virtual;
    bool decoderPresent = true;
    uint8_t optionalDevice = 0;  // 0xC2, 0xC0, or 0 for none
    SourceConfig composite{"scene:walker", 60, 1, 8000};
    SourceConfig svideo{"none", 60, 1, 8000};
    std::array<std::optional<DriverDescription>, MaxDrivers> drivers{
        DriverDescription{"Zelkor Video Capture", "Version : 3.8.1.2"}};
    std::string traceFile;  // VCD of the bus lines; empty = none
    CaptureOptions capture;
    DisplayOptions display;
};

// Parses the text of a configuration file over the defaults. On bad input
// returns false with a message naming `fileName`, the line and the key.
bool parseVcardConfig(std::string_view text, std::string_view fileName, VcardConfig& config,
                      std::string& error);

// Finds and reads the configuration. `environment` is $ZELKOR_VCARD (null
// when unset); `programDir` the folder of the running program.
bool loadVcardConfig(const char* environment, const std::string& programDir, VcardConfig& config,
                     std::string& error);

}  // namespace zelkor::vcard
