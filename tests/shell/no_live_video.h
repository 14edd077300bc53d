#pragma once
// A do-nothing stand-in for the live overlay chain.

#include "vorrak/shell/live_video_steps.h"

namespace zelkor::test {

// For tests of what the main window does besides live video: every step
// succeeds and does nothing, and the window shows the capture driver's
// picture once it is connected.
class NoLiveVideo : public vorrak::LiveVideoSteps {
  public:
    int OpenDisplayDevice() override { return 1; }
    void StartLiveVideoAtLaunch() override {}
    void StartOverlay() override {}
    void StopOverlay() override {}
    void CloseLiveVideo() override {}
    void PaintColorKey() override {}
    void ChangeVideoStandard(uint32_t) override {}
};

}  // namespace zelkor::test
