#pragma once
// The live overlay's share of start-up, the main window and exit. The
// overlay chain (display device, video port, overlay surface) is built on
// its own; the shell calls it only through these steps, in its fixed order,
// so the chain can be dropped in without moving a step.

#include <cstdint>

namespace zelkor::vorrak {

class LiveVideoSteps {
  public:
    virtual ~LiveVideoSteps() = default;
    // Display device, video port and overlay for the port parameters
    // start-up has filled. 0 on failure, after the user was told why.
    virtual int OpenDisplayDevice() = 0;
    // From the main window's start-up message.
    virtual void StartLiveVideoAtLaunch() = 0;
    // The overlay gives way to the capture driver's picture and back.
    virtual void StartOverlay() = 0;
    virtual void StopOverlay() = 0;
    virtual void CloseLiveVideo() = 0;
    // The main window's painting while it shows live video: the colour key.
    virtual void PaintColorKey() = 0;
    // The video source changed to another standard: the port's field height
    // follows it and the chain is built anew.
    virtual void ChangeVideoStandard(uint32_t videoStandard) = 0;
};

}  // namespace zelkor::vorrak
