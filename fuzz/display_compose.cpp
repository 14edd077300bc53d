// The card's display on arbitrary programming: caps, port settings, overlay
// rectangles, clip lists and composed areas read from the input. Neither
// the port nor the composer may touch memory outside a field or surface.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/fake/virtual_clock.h"
#include "vcard/card.h"

namespace {

using namespace zelkor;
namespace dd = platform::display;
using platform::DisplayRect;

class Input {
  public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    int number(int lo, int hi) {
        uint32_t v = 0;
        for (int i = 0; i < 2; ++i) {
            v = v << 8 | (pos_ < size_ ? data_[pos_++] : 0);
        }
        return lo + int(v % uint32_t(hi - lo + 1));
    }
    DisplayRect rect(int lo, int hi) {
        return {number(lo, hi), number(lo, hi), number(lo, hi), number(lo, hi)};
    }
    bool more() const { return pos_ < size_; }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

class Windows : public vcard::WindowSystem {
  public:
    std::vector<DisplayRect> clip;
    DisplayRect screen() override { return {0, 0, 1280, 1024}; }
    bool clipList(platform::WindowHandle, std::vector<DisplayRect>& rects) override {
        rects = clip;
        return true;
    }
    void screenChanged() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    vcard::VcardConfig config;
    config.display.interleave = in.number(0, 1) == 1;
    config.display.maxPrescaleWidth = uint32_t(in.number(1, 720));
    config.display.outputFormats = {in.number(0, 1) == 1 ? dd::Uyvy : dd::Yuy2};
    platform::VirtualClock clock;
    vcard::VirtualCard card(config, clock, nullptr, nullptr);
    Windows windows;
    card.display().setWindowSystem(&windows);
    auto device = card.display().open();
    auto port = device->videoPortContainer()->createVideoPort(
        {720, 720, uint32_t(in.number(1, 700)), 1, 1, 0, {8, dd::Ccir656, dd::ConnectInterlaced}});
    platform::SurfaceDescription primaryDesc;
    primaryDesc.primary = true;
    auto primary = device->createSurface(primaryDesc);
    auto overlay = device->createSurface({false,
                                          uint32_t(in.number(1, 800)),
                                          uint32_t(in.number(1, 800)),
                                          {dd::PixelFourCC, config.display.outputFormats[0], 16},
                                          uint32_t(in.number(0, 1))});
    auto clipper = device->createClipper();
    if (!port || !primary || !overlay || !clipper) {
        return 0;
    }
    clipper->setWindow(reinterpret_cast<platform::WindowHandle>(&windows));
    primary->setClipper(clipper.get());
    primary->setColorKey(0xFF00FF, 0xFF00FF);
    port->setTargetSurface(*overlay);
    uint64_t field = 0;
    while (in.more()) {
        platform::PortInfo info;
        info.flags = uint32_t(in.number(0, 0xFFF));
        info.prescaleWidth = uint32_t(in.number(0, 800));
        info.prescaleHeight = uint32_t(in.number(0, 1200));
        info.inputFormat = {dd::PixelFourCC, dd::Uyvy, 16};
        if (!port->startVideo(info)) {
            port->updateVideo(info);
        }
        windows.clip.clear();
        for (int i = in.number(0, 3); i > 0; --i) {
            windows.clip.push_back(in.rect(-200, 1400));
        }
        const DisplayRect src = in.rect(-50, 850);
        const DisplayRect dst = in.rect(-300, 1500);
        overlay->updateOverlay(
            &src, *primary, &dst,
            in.number(0, 1) == 1 ? dd::OverlayShow | dd::OverlayKeyDest : dd::OverlayShow);
        primary->colorFill(in.rect(-300, 1500), uint32_t(in.number(0, 1)) != 0 ? 0xFF00FF : 7);
        card.display().runPort(field++);
        const int left = in.number(-300, 1500);
        const int top = in.number(-300, 1200);
        const DisplayRect area{left, top, left + in.number(0, 300), top + in.number(0, 300)};
        std::vector<uint32_t> out(size_t(area.width()) * size_t(area.height()));
        card.display().compose(area, out.data(), size_t(area.width()));
    }
    return 0;
}
