#include "tests/livevideo/live_rig.h"

#include <algorithm>

namespace zelkor::test {

namespace {

// `r` minus `hole`, as up to four rectangles.
void subtract(const DisplayRect& r, const DisplayRect& hole, std::vector<DisplayRect>& out) {
    const DisplayRect h{std::max(r.left, hole.left), std::max(r.top, hole.top),
                        std::min(r.right, hole.right), std::min(r.bottom, hole.bottom)};
    if (h.left >= h.right || h.top >= h.bottom) {
        out.push_back(r);
        return;
    }
    const DisplayRect parts[] = {{r.left, r.top, r.right, h.top},
                                 {r.left, h.bottom, r.right, r.bottom},
                                 {r.left, h.top, h.left, h.bottom},
                                 {h.right, h.top, r.right, h.bottom}};
    for (const DisplayRect& p : parts) {
        if (p.left < p.right && p.top < p.bottom) {
            out.push_back(p);
        }
    }
}

}  // namespace

bool RectWindows::clipList(platform::WindowHandle, std::vector<DisplayRect>& rects) {
    rects.clear();
    if (minimised) {
        return true;
    }
    // Only the part on the screen.
    std::vector<DisplayRect> onScreen;
    const DisplayRect c{
        std::max(client.left, screenRect.left), std::max(client.top, screenRect.top),
        std::min(client.right, screenRect.right), std::min(client.bottom, screenRect.bottom)};
    if (c.left < c.right && c.top < c.bottom) {
        onScreen.push_back(c);
    }
    for (const DisplayRect& hole : covering) {
        std::vector<DisplayRect> next;
        for (const DisplayRect& r : onScreen) {
            subtract(r, hole, next);
        }
        onScreen = std::move(next);
    }
    rects = std::move(onScreen);
    return true;
}

LiveRig::LiveRig(const vcard::DisplayOptions& display, int busMethod_, uint32_t standard,
                 int sourceRate)
    : busMethod(busMethod_),
      videoStandard(standard),
      services{[this]() -> std::unique_ptr<platform::DisplayDevice> {
                   return deviceAvailable ? card->display().open() : nullptr;
               },
               ui,
               timers,
               host,
               params,
               busMethod,
               videoStandard} {
    config.display = display;
    card = std::make_unique<vcard::VirtualCard>(config, clock, flat(sourceRate), nullptr);
    card->display().setWindowSystem(&windows);
    vorrak::DisplayChipInfo chip;
    chip.fieldHeight60 = busMethod == 20 || busMethod == 40 ? 242 : 251;
    params = vorrak::MakeVideoPortParams(videoStandard, chip);
}

bool LiveRig::launch() {
    if (!vorrak::OpenDisplayDevice(live, services, false)) {
        vorrak::CloseLiveVideo(live, services);
        return false;
    }
    vorrak::StartLiveVideoAtLaunch(live, services);
    return host.quits == 0;
}

}  // namespace zelkor::test
