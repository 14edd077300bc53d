#pragma once
// The live overlay's share of start-up, the main window and exit. The
// overlay chain (display device, video port, overlay surface) is built on
// its own; the shell calls it only through these steps, in its fixed order,
// so the chain can be dropped in without moving a step.

#include <cstdint>
#include <string_view>

#include "formats/byte_order.h"

namespace zelkor::vorrak {

// The video port's description, handed to the display set-up.
struct VideoPortParams {
    uint32_t fieldWidth = 720;
    uint32_t fieldHeight = 0;
    uint32_t microsecondsPerField = 1;
    uint32_t maxPixelsPerSecond = 1;
    // The overlay placement subtracts it.
    uint32_t lineOffset = 0;
    uint32_t portWidth = 8;
    std::string_view connectionType = "{FCA326A0-DA60-11CF-9B06-00A0C903A3B8}";  // CCIR656
    uint32_t connectionFlags = 0x21;
    uint32_t fourCC = formats::fourcc("UYVY");
};

// The field height of the video port is that of the standard's field rate:
// the 60 Hz line count that card identification settled, or the 50 Hz one.
VideoPortParams FillVideoPortParams(uint32_t videoStandard, int fieldHeight60, int fieldHeight50);

class LiveVideoSteps {
  public:
    virtual ~LiveVideoSteps() = default;
    // Display device, video port and overlay. 0 on failure, after the user
    // was told why.
    virtual int OpenDisplayDevice(const VideoPortParams& params) = 0;
    // From the main window's start-up message.
    virtual void StartLiveVideoAtLaunch() = 0;
    // The overlay gives way to the capture driver's picture and back.
    virtual void StartOverlay() = 0;
    virtual void StopOverlay() = 0;
    virtual void CloseLiveVideo() = 0;
};

// A machine without an overlay chain: the main window shows the capture
// driver's own picture once it is connected, and the live view before that
// is the window's background. Every step succeeds and does nothing.
class NoLiveVideo : public LiveVideoSteps {
  public:
    int OpenDisplayDevice(const VideoPortParams&) override { return 1; }
    void StartLiveVideoAtLaunch() override {}
    void StartOverlay() override {}
    void StopOverlay() override {}
    void CloseLiveVideo() override {}
};

}  // namespace zelkor::vorrak
