#pragma once
// The capture window: connecting the capture driver to it and back to the
// live overlay, and the one frame size guard mode works with.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/canvas.h"
#include "platform/capture_driver.h"
#include "platform/disk.h"
#include "platform/profile.h"
#include "platform/ui.h"
#include "vorrak/capture/capture_host.h"
#include "vorrak/config/settings.h"
#include "vorrak/detection/compare.h"
#include "vorrak/hardware/decoder_bus.h"

namespace zelkor::vorrak {

constexpr uint32_t kCaptureNotConnected = 1;
constexpr uint32_t kCaptureConnected = 2;

constexpr std::string_view kConnectFailedMessage =
    "Connecting to capture driver occur error!      \n\nPlease check your capture driver is "
    "correctly \ninstalled or not, then restart your WINDOWS \nto reset your capture driver. "
    "\nProgram Abort...";

// The status line of a recording, drawn over the capture picture.
struct StatusPainting {
    platform::CanvasFont font;
    platform::CanvasRect rect;
    uint32_t textColour = 0;
    uint32_t brushColour = 0;
};

struct Capture {
    std::unique_ptr<platform::CaptureWindow> window;
    int driverIndex = 10;  // none found
    uint32_t CaptureState = kCaptureNotConnected;
    uint32_t FrameWidth = 352;
    uint32_t FrameHeight = 240;
    uint32_t blockColumns = 22;
    uint32_t blockRows = 15;
    DetectRegion region;
    uint32_t audioAvailable = 0;

    // Snapshots and recording.
    uint32_t frameBitDepth = 8;
    // Whether the driver took its recording format when last asked; a
    // driver that takes none records no clip.
    bool recordingFormatSet = false;
    std::string eventFolder;  // this run's event folder
    std::string clipPath;
    uint32_t recordingError = 0;
    uint32_t framesCaptured = 0;
    uint32_t statusCounter = 0;
    StatusPainting painting;
};

// The services the capture code talks to.
struct CaptureServices {
    platform::Ui& ui;
    platform::Profile& profile;
    platform::Disk& disk;
    CaptureHost& host;
    DecoderBus& bus;
    ShowPictureHook showPicture;
};

// The frame size of a video standard: 352 x 240 for the 60 Hz ones, else
// 352 x 288.
constexpr uint32_t kFrameWidth = 352;
constexpr uint32_t kFrameHeight60 = 240;
constexpr uint32_t kFrameHeight50 = 288;
bool IsFiftyHertzStandard(uint32_t videoStandard);
uint32_t FrameHeightOf(uint32_t videoStandard);

// Part of the main window's creation: frame size, region, block grid, the
// window size, `window` as the capture window, "NOOV", the driver index
// (found by the caller), and the start-up message posted.
void CreateCaptureWindow(Capture& capture, CaptureServices& services, const Settings& settings,
                         std::unique_ptr<platform::CaptureWindow> window, int driverIndex);

// Message 40021. On failure the main window is destroyed.
void ConnectCapture(Capture& capture, CaptureServices& services, const Settings& settings,
                    RunOptions& options);
// Message 40020.
void DisconnectCapture(Capture& capture, CaptureServices& services);
// 1 when the driver's image size is the one guard mode needs; otherwise
// the user is told and given the format dialog, and the result is 0.
int CheckCaptureSize(Capture& capture, CaptureServices& services, const Settings& settings);
void ChooseCaptureFormat(Capture& capture, CaptureServices& services);
// Puts the driver in its recording format and keeps whether it took it.
void SetRecordingFormat(Capture& capture);

}  // namespace zelkor::vorrak
