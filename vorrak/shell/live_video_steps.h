#pragma once
// The live overlay's share of start-up, the main window and exit. The
// overlay chain (display device, video port, overlay surface) is built on
// its own; the shell calls it only through these steps, in its fixed order,
// so the chain can be dropped in without moving a step.

#include <cstdint>
#include <string_view>

#include "vorrak/livevideo/livevideo.h"

namespace zelkor::vorrak {

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
