// Speed of live video on the card, per field, timed with a simple reference
// in the same loop; reports both and their ratio:
//   PortAndCompose: the decoder's field through the video port into the
//     overlay (interleaved, as for a full-height window) and the overlay
//     composed into a 704 x 480 window (goal 1 ms, so 60 fields a second
//     cost under 6 % of a core), against a plain copy of the same bytes:
//     the field in and the window's pixels out.
//   Compose: the composition alone, against copying the window's pixels.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "bench/ratio_report.h"
#include "platform/fake/virtual_clock.h"
#include "vcard/card.h"
#include "vorrak/hardware/decoder_bus.h"
#include "vorrak/hardware/picture_controls.h"

namespace {

using namespace zelkor;
using bench::Clock;
using bench::report;
using bench::seconds;
namespace dd = platform::display;
using platform::DisplayRect;

// Luminance 32 + (x + y + field) % 180, u 96 + i % 64, v 160 - i % 48.
// Every line is a piece of one precomputed ramp and the colour planes are
// the same in every field, so the stand-in camera costs next to nothing
// beside the card's own work that is measured.
class GradientSource : public vcard::VideoSource {
  public:
    GradientSource() : VideoSource(60) {}
    void render(uint64_t field, vcard::Picture& out) override {
        if (ramp_.size() != size_t(out.width) + 180 || u_.size() != out.u.size()) {
            ramp_.resize(size_t(out.width) + 180);
            for (size_t i = 0; i < ramp_.size(); ++i) {
                ramp_[i] = uint8_t(32 + i % 180);
            }
            u_.resize(out.u.size());
            v_.resize(out.v.size());
            for (size_t i = 0; i < u_.size(); ++i) {
                u_[i] = uint8_t(96 + i % 64);
                v_[i] = uint8_t(160 - i % 48);
            }
        }
        for (int y = 0; y < out.height; ++y) {
            std::memcpy(out.y.data() + size_t(y) * size_t(out.width),
                        ramp_.data() + (uint64_t(y) + field) % 180, size_t(out.width));
        }
        out.u = u_;
        out.v = v_;
    }

  private:
    std::vector<uint8_t> ramp_;
    std::vector<uint8_t> u_;
    std::vector<uint8_t> v_;
};

class OneWindow : public vcard::WindowSystem {
  public:
    DisplayRect client{0, 0, 704, 480};
    DisplayRect screen() override { return {0, 0, 1280, 1024}; }
    bool clipList(platform::WindowHandle, std::vector<DisplayRect>& rects) override {
        rects = {client};
        return true;
    }
    void screenChanged() override {}
};

// The card programmed as live video programs it for a 704 x 480 window on
// the chip family with interleaved fields: prescale 720 x 242, source
// (8, 4) - (712, 484), keyed.
struct Rig {
    platform::VirtualClock clock;
    vcard::VirtualCard card{vcard::VcardConfig{}, clock, std::make_unique<GradientSource>(),
                            nullptr};
    vorrak::DecoderBus bus{card.ports(), clock};
    OneWindow windows;
    std::unique_ptr<platform::DisplayDevice> device;
    std::unique_ptr<platform::VideoPortContainer> container;
    std::unique_ptr<platform::VideoPort> port;
    std::unique_ptr<platform::Surface> primary;
    std::unique_ptr<platform::Surface> overlay;
    std::unique_ptr<platform::Clipper> clipper;
    std::vector<uint32_t> window = std::vector<uint32_t>(704 * 480);

    bool start() {
        bus.BusMethod = 20;
        bus.driveIndex = 0x37;
        bus.senseIndex = 0x36;
        vorrak::DecoderInit(bus);
        vorrak::DecoderOutputOn(bus);
        card.display().setWindowSystem(&windows);
        device = card.display().open();
        container = device->videoPortContainer();
        port = container->createVideoPort(
            {720, 720, 242, 1, 1, 0, {8, dd::Ccir656, dd::ConnectInterlaced}});
        platform::SurfaceDescription p;
        p.primary = true;
        primary = device->createSurface(p);
        overlay = device->createSurface({false, 720, 484, {dd::PixelFourCC, dd::Uyvy, 16}, 1});
        clipper = device->createClipper();
        clipper->setWindow(reinterpret_cast<platform::WindowHandle>(this));
        primary->setClipper(clipper.get());
        primary->setColorKey(0xFF00FF, 0xFF00FF);
        platform::PortInfo info;
        info.flags = dd::PortConvert | dd::PortPrescale | dd::PortInterleave | dd::PortAutoFlip;
        info.prescaleWidth = 720;
        info.prescaleHeight = 242;
        info.inputFormat = {dd::PixelFourCC, dd::Uyvy, 16};
        const DisplayRect src{8, 4, 712, 484};
        return port->setTargetSurface(*overlay) && port->startVideo(info) &&
               overlay->updateOverlay(&src, *primary, &windows.client,
                                      dd::OverlayShow | dd::OverlayKeyDest) &&
               primary->colorFill(windows.client, 0xFF00FF);
    }
};

void portAndCompose(benchmark::State& state) {
    Rig rig;
    if (!rig.start()) {
        state.SkipWithError("the card refused the set-up");
        return;
    }
    std::vector<uint8_t> fieldCopy(720 * 242 * 2);
    const std::vector<uint8_t> fieldBytes(fieldCopy.size(), 0x80);
    std::vector<uint32_t> windowCopy(rig.window.size());
    double ours = 0;
    double reference = 0;
    uint64_t field = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        rig.card.display().runPort(field++);
        const uint64_t drawn =
            rig.card.display().compose(rig.windows.client, rig.window.data(), 704);
        const auto t1 = Clock::now();
        std::memcpy(fieldCopy.data(), fieldBytes.data(), fieldBytes.size());
        std::memcpy(windowCopy.data(), rig.window.data(), rig.window.size() * 4);
        benchmark::DoNotOptimize(fieldCopy.data());
        benchmark::DoNotOptimize(windowCopy.data());
        const auto t2 = Clock::now();
        if (drawn != 704u * 480u) {
            state.SkipWithError("the window was not composed");
            break;
        }
        ours += seconds(t0, t1);
        reference += seconds(t1, t2);
    }
    report(state, ours, reference);
}

void composeOnly(benchmark::State& state) {
    Rig rig;
    if (!rig.start() || !rig.card.display().runPort(1)) {
        state.SkipWithError("the card refused the set-up");
        return;
    }
    std::vector<uint32_t> windowCopy(rig.window.size());
    double ours = 0;
    double reference = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        rig.card.display().compose(rig.windows.client, rig.window.data(), 704);
        const auto t1 = Clock::now();
        std::memcpy(windowCopy.data(), rig.window.data(), rig.window.size() * 4);
        benchmark::DoNotOptimize(windowCopy.data());
        const auto t2 = Clock::now();
        ours += seconds(t0, t1);
        reference += seconds(t1, t2);
    }
    report(state, ours, reference);
}

BENCHMARK(portAndCompose)->Name("PortAndCompose")->Unit(benchmark::kMillisecond);
BENCHMARK(composeOnly)->Name("Compose")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
