#pragma once
// The live picture: the display device, the video port that writes the
// decoder's fields into an overlay surface, and the overlay placed over the
// main window's visible client area, where the window shows the colour key.

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "platform/display_device.h"
#include "platform/timers.h"
#include "platform/ui.h"
#include "platform/window.h"
#include "vorrak/hardware/detection.h"

namespace zelkor::vorrak {

using platform::DisplayRect;

constexpr std::string_view kNoDisplayObjectMessage = "Unable to create the DirectDraw object";
constexpr std::string_view kNoVideoPortMessage =
    "Your display device (or driver) does not support a video port.  A video port is required "
    "for this application to run.";
constexpr std::string_view kNoOverlayMessage =
    "Your display device (or driver) does not support an overlay. Hardware overlay support is "
    "required for this application to run.";
constexpr std::string_view kNoVideoPortObjectMessage = "Unable to create the VideoPort object";
constexpr std::string_view kNoClipperMessage = "Unable to create the Clipper object";
constexpr std::string_view kNoPortAtLaunchMessage = "Unable to create the video port object";
constexpr std::string_view kBandwidthMessage =
    "Current VGA data transfer bandwidth is too high \nfor Zelkor Live to execute. Please try to "
    "lower \ndisplay resolution or color deapth or refresh \nrate, then run Zelkor Oculara "
    "again....";
constexpr std::string_view kStartPortFailedMessage = "Unable to start video port ";
constexpr std::string_view kCantPlayMessage =
    "Can't play live video. Please change to other display\nmodes or close other video players, "
    "then run again.";

// The live video timer of the main window and its two periods.
constexpr uint32_t kLiveVideoTimer = 1;
constexpr uint32_t kLiveVideoPeriodMs = 200;
constexpr uint32_t kLiveVideoRetryMs = 2000;
constexpr uint32_t kProgramAttempts = 5;

// The video port parameters start-up fills from the standard in force.
struct VideoPortParams {
    uint32_t fieldWidth = 720;
    uint32_t fieldHeight = 251;
    uint32_t microsecondsPerField = 1;
    uint32_t maxPixelsPerSecond = 1;
    uint32_t lineOffset = 0;
    uint32_t portWidth = 8;
    platform::display::Guid connectionType = platform::display::Ccir656;
    // Not passed to the port: they select the FourCC input format and allow
    // the overlay twice the field height.
    uint32_t connectionFlags = 0x21;
    uint32_t fourCC = platform::display::Uyvy;
};

// Standards 3, 5, 6, 7 have 50 fields a second, the others 60.
bool IsFiftyHertzGroup(uint32_t videoStandard);
// The port's field height for a standard: the chip's 60 Hz height or the
// 50 Hz one.
uint32_t FieldHeightFor(uint32_t videoStandard, const DisplayChipInfo& chip);
VideoPortParams MakeVideoPortParams(uint32_t videoStandard, const DisplayChipInfo& chip);

// The one live video chain of the program and the overlay's placement.
struct LiveVideo {
    std::unique_ptr<platform::DisplayDevice> device;
    platform::DeviceCaps deviceCaps;
    std::unique_ptr<platform::VideoPortContainer> container;
    platform::PortCaps portCaps;
    std::unique_ptr<platform::Clipper> clipper;
    std::unique_ptr<platform::VideoPort> port;
    platform::PixelFormat inputFormat{platform::display::PixelFourCC, platform::display::Uyvy, 16};
    platform::PixelFormat outputFormat;
    std::unique_ptr<platform::Surface> overlay;
    std::unique_ptr<platform::Surface> primary;
    DisplayRect screenRect;
    uint32_t bufferCount = 0;
    // 1 until a key is chosen from the desktop's format.
    uint32_t colorKey = 1;
    uint32_t keyingAffordable = 0;
    uint32_t firstStart = 0;
    uint32_t restartNeeded = 0;
    uint32_t bandwidthFailure = 0;

    // Placement at the last programming.
    uint32_t W = 0;
    uint32_t H = 0;
    uint32_t PW = 0;
    uint32_t CL = 0;
    uint32_t CT = 0;
    uint32_t SB = 0;
    uint32_t attempt = 0;
    DisplayRect lastVisible;
    int32_t lastClipped = -1;
};

// What live video needs of the main window.
class LiveVideoHost {
  public:
    virtual ~LiveVideoHost() = default;
    virtual platform::WindowHandle mainWindow() = 0;
    // The client area in screen coordinates; false while minimised.
    virtual bool clientRectOnScreen(DisplayRect& rect) = 0;
    virtual void hide() = 0;
    // Asks for a repaint of the client area, without erasing it.
    virtual void invalidate() = 0;
    // Ends the message loop; the program runs its exit sequence.
    virtual void quit() = 0;
    // While the capture driver's picture replaces live video, painting is
    // the capture window's.
    virtual bool showsCapturePreview() = 0;
    virtual void paintCaptureWindow() = 0;
};

struct LiveVideoServices {
    // Creates the default display device; null when there is none.
    std::function<std::unique_ptr<platform::DisplayDevice>()> createDisplayDevice;
    platform::Ui& ui;
    platform::Timers& timers;
    LiveVideoHost& host;
    const VideoPortParams& params;
    const int& busMethod;
    const uint32_t& videoStandard;
};

int OpenDisplayDevice(LiveVideo& lv, LiveVideoServices& s, bool silent);
int OpenVideoPort(LiveVideo& lv, LiveVideoServices& s);
int StartLiveVideo(LiveVideo& lv, LiveVideoServices& s);
void StartLiveVideoAtLaunch(LiveVideo& lv, LiveVideoServices& s);
void RefreshLiveVideo(LiveVideo& lv, LiveVideoServices& s);
void CloseLiveVideo(LiveVideo& lv, LiveVideoServices& s);

int ClientRectOnScreen(LiveVideoServices& s, DisplayRect& rect);
int GetVisibleRect(LiveVideo& lv, LiveVideoServices& s, DisplayRect& rect, int32_t& clipped);
int ProgramVideoPort(LiveVideo& lv, LiveVideoServices& s, uint32_t attempt);
int ProgramWithRetries(LiveVideo& lv, LiveVideoServices& s);
int PlaceOverlay(LiveVideo& lv, LiveVideoServices& s);
void HideOverlay(LiveVideo& lv);
// The main window's painting while it shows live video.
void PaintColorKey(LiveVideo& lv, LiveVideoServices& s);

// A new video standard while live video runs: the port's field height
// follows the standard's group and the chain is built anew.
void ChangeLiveVideoStandard(LiveVideo& lv, LiveVideoServices& s, VideoPortParams& params,
                             uint32_t videoStandard, const DisplayChipInfo& chip);

}  // namespace zelkor::vorrak
