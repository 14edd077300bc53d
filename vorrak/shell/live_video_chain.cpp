#include "vorrak/shell/live_video_chain.h"

#include <cassert>

namespace zelkor::vorrak {

LiveVideoChain::LiveVideoChain(Vorrak& v, platform::Ui& ui, platform::Timers& timers,
                               const int& busMethod, DeviceFactory createDisplayDevice)
    : v_(v),
      ui_(ui),
      timers_(timers),
      busMethod_(busMethod),
      createDisplayDevice_(std::move(createDisplayDevice)) {}

void LiveVideoChain::attach(LiveVideoHost& host) {
    services_.emplace(LiveVideoServices{createDisplayDevice_, ui_, timers_, host,
                                        v_.videoPortParams, busMethod_, v_.settings.VIDEOSTANDARD});
}

LiveVideoServices& LiveVideoChain::services() {
    assert(services_.has_value());
    return *services_;
}

int LiveVideoChain::OpenDisplayDevice() {
    return vorrak::OpenDisplayDevice(v_.live, services(), false);
}

void LiveVideoChain::StartLiveVideoAtLaunch() {
    vorrak::StartLiveVideoAtLaunch(v_.live, services());
}

// Back from the capture driver's picture: the closed chain is rebuilt at
// once rather than at a timer tick that no longer runs.
void LiveVideoChain::StartOverlay() {
    RefreshLiveVideo(v_.live, services());
}

void LiveVideoChain::StopOverlay() {
    vorrak::CloseLiveVideo(v_.live, services());
}

void LiveVideoChain::CloseLiveVideo() {
    vorrak::CloseLiveVideo(v_.live, services());
}

void LiveVideoChain::PaintColorKey() {
    vorrak::PaintColorKey(v_.live, services());
}

void LiveVideoChain::ChangeVideoStandard(uint32_t videoStandard) {
    ChangeLiveVideoStandard(v_.live, services(), v_.videoPortParams, videoStandard, v_.chip);
}

}  // namespace zelkor::vorrak
