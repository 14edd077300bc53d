#pragma once
// The live video steps of the shell over the real overlay chain: the
// display device the hardware hands out, its video port and overlay,
// driven for the main window, which is the chain's host.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/display_device.h"
#include "platform/timers.h"
#include "platform/ui.h"
#include "vorrak/livevideo/livevideo.h"
#include "vorrak/shell/live_video_steps.h"
#include "vorrak/state/vorrak.h"

namespace zelkor::vorrak {

class LiveVideoChain : public LiveVideoSteps {
  public:
    using DeviceFactory = std::function<std::unique_ptr<platform::DisplayDevice>()>;

    // `busMethod` is read at each programming: chip detection settles it
    // after this object exists.
    LiveVideoChain(Vorrak& v, platform::Ui& ui, platform::Timers& timers, const int& busMethod,
                   DeviceFactory createDisplayDevice);
    // The main window, made after this object; no step runs before it is
    // attached.
    void attach(LiveVideoHost& host);

    int OpenDisplayDevice() override;
    void StartLiveVideoAtLaunch() override;
    void StartOverlay() override;
    void StopOverlay() override;
    void CloseLiveVideo() override;
    void PaintColorKey() override;
    void ChangeVideoStandard(uint32_t videoStandard) override;

  private:
    LiveVideoServices& services();

    Vorrak& v_;
    platform::Ui& ui_;
    platform::Timers& timers_;
    const int& busMethod_;
    DeviceFactory createDisplayDevice_;
    std::optional<LiveVideoServices> services_;
};

}  // namespace zelkor::vorrak
