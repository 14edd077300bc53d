// The card's display: the video port's writes, the composition of the
// overlay into the screen, and that no rectangle, clip list or alignment
// makes either touch memory outside a surface.

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "tests/livevideo/live_rig.h"
#include "vcard/capture_frame.h"
#include "vorrak/hardware/picture_controls.h"

namespace zelkor::test {
namespace {

namespace dd = platform::display;
using namespace vorrak;

// Colour bars left to right and a luminance ramp top to bottom, so that a
// wrong column or line shows.
class BarsSource : public vcard::VideoSource {
  public:
    explicit BarsSource(int rate) : VideoSource(rate) {}
    void render(uint64_t, vcard::Picture& out) override {
        for (int y = 0; y < out.height; ++y) {
            for (int x = 0; x < out.width; ++x) {
                out.y[size_t(y * out.width + x)] = uint8_t(40 + y * 160 / out.height);
            }
            for (int x = 0; x < out.width / 2; ++x) {
                const int bar = x * 8 / (out.width / 2);
                out.u[size_t(y * (out.width / 2) + x)] = uint8_t(64 + bar * 16);
                out.v[size_t(y * (out.width / 2) + x)] = uint8_t(192 - bar * 16);
            }
        }
    }
};

// The bars with the whole picture's luminance changing from field to field.
class ChangingSource : public BarsSource {
  public:
    ChangingSource() : BarsSource(60) {}
    void render(uint64_t field, vcard::Picture& out) override {
        BarsSource::render(field, out);
        std::fill(out.y.begin(), out.y.end(), uint8_t(40 + 30 * (field % 5)));
    }
};

struct ComposeRig {
    vcard::VcardConfig config;
    platform::VirtualClock clock;
    vcard::VirtualCard card;
    DecoderBus bus{card.ports(), clock};
    RectWindows windows;
    std::unique_ptr<platform::DisplayDevice> device;
    std::unique_ptr<platform::VideoPort> port;
    std::unique_ptr<platform::Surface> primary;

    // A port for fields of 242 lines, and the screen.
    explicit ComposeRig(
        std::unique_ptr<vcard::VideoSource> source = std::make_unique<BarsSource>(60))
        : card(config, clock, std::move(source), nullptr) {
        bus.BusMethod = 20;
        bus.driveIndex = 0x37;
        bus.senseIndex = 0x36;
        DecoderInit(bus);
        DecoderOutputOn(bus);
        card.display().setWindowSystem(&windows);
        device = card.display().open();
        port = device->videoPortContainer()->createVideoPort(
            {720, 720, 242, 1, 1, 0, {8, dd::Ccir656, dd::ConnectInterlaced}});
        platform::SurfaceDescription screen;
        screen.primary = true;
        primary = device->createSurface(screen);
    }
    std::unique_ptr<platform::Surface> overlay(uint32_t height, uint32_t backBuffers,
                                               uint32_t fourCC = dd::Uyvy) {
        return device->createSurface(
            {false, 720, height, {dd::PixelFourCC, fourCC, 16}, backBuffers});
    }
    // The port writing into `target` as `flags` say.
    bool start(platform::Surface& target, uint32_t flags, uint32_t width = 0, uint32_t height = 0) {
        platform::PortInfo info;
        info.flags = flags;
        info.prescaleWidth = width;
        info.prescaleHeight = height;
        info.inputFormat = {dd::PixelFourCC, dd::Uyvy, 16};
        return port->setTargetSurface(target) && port->startVideo(info);
    }
};

// The composed client area against the decoder's field, pixel by pixel:
// mean absolute difference per channel.
double meanDifference(const std::vector<uint32_t>& composed, const vcard::VideoField& f, int w,
                      int h, int fieldColumn0, int columnStep2, int fieldLine0) {
    double sum = 0;
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = f.uyvy.data() + size_t(y + fieldLine0) * 720 * 2;
        for (int x = 0; x < w; ++x) {
            const int col = fieldColumn0 + x * columnStep2 / 2;
            const uint8_t* pair = row + size_t(col & ~1) * 2;
            uint8_t r, g, b;
            vcard::yuvToRgb(row[col * 2 + 1], pair[0], pair[2], r, g, b);
            const uint32_t p = composed[size_t(y * w + x)];
            sum += std::abs(int((p >> 16) & 255) - r) + std::abs(int((p >> 8) & 255) - g) +
                   std::abs(int(p & 255) - b);
        }
    }
    return sum / (3.0 * w * h);
}

TEST(CardDisplay, AKeyedWindowShowsTheDecodersPictureScaled) {
    ComposeRig rig;
    // Program this card as live video would for a 352 x 240 window at
    // (100, 100): PW 360, PH 242, CL 4, CT 2, SB 242.
    auto overlay = rig.overlay(484, 1);
    auto& primary = rig.primary;
    ASSERT_TRUE(rig.port && primary && overlay);
    auto clipper = rig.device->createClipper();
    clipper->setWindow(reinterpret_cast<platform::WindowHandle>(&rig));
    primary->setClipper(clipper.get());
    primary->setColorKey(0xFF00FF, 0xFF00FF);
    ASSERT_TRUE(
        rig.start(*overlay, dd::PortConvert | dd::PortPrescale | dd::PortAutoFlip, 360, 242));
    const DisplayRect src{4, 2, 356, 242};
    const DisplayRect client = rig.windows.client;
    ASSERT_TRUE(
        overlay->updateOverlay(&src, *primary, &client, dd::OverlayShow | dd::OverlayKeyDest));
    ASSERT_TRUE(rig.card.display().runPort(7));

    std::vector<uint32_t> out(352 * 240);
    // Nothing keyed yet: nothing drawn.
    EXPECT_EQ(rig.card.display().compose(client, out.data(), 352), 0u);
    EXPECT_EQ(out[0] >> 24, 0u);

    ASSERT_TRUE(primary->colorFill(client, 0xFF00FF));
    EXPECT_EQ(rig.card.display().compose(client, out.data(), 352), 352u * 240u);
    vcard::VideoField f;
    rig.card.field(7, f);
    // Overlay column c comes from field column 2c; column 4 is the first shown.
    EXPECT_LT(meanDifference(out, f, 352, 240, 8, 4, 0), 3.0);

    // Half covered: the covered half keeps what it had (nothing), the rest
    // shows the picture.
    rig.windows.covering = {{276, 0, 1280, 1024}};
    rig.card.display().forgetFills(client);
    ASSERT_TRUE(primary->colorFill(client, 0xFF00FF));
    EXPECT_EQ(rig.card.display().compose(client, out.data(), 352), 176u * 240u);
    EXPECT_EQ(out[351] >> 24, 0u);
    EXPECT_EQ(out[0] >> 24, 255u);

    // Hidden: the key colour shows where it was painted.
    overlay->updateOverlay(nullptr, *primary, nullptr, dd::OverlayHide);
    EXPECT_EQ(rig.card.display().compose(client, out.data(), 352), 0u);
    EXPECT_EQ(out[0], 0xFFFF00FFu);
}

TEST(CardDisplay, ThePortWritesBlackWhileTheDecoderOutputIsOff) {
    ComposeRig rig;
    DecoderOutputOff(rig.bus);
    ASSERT_FALSE(rig.overlay(242, 1, dd::Yuy2)) << "YUY2 is not offered by default";
    auto overlay = rig.overlay(242, 0);
    auto& primary = rig.primary;
    ASSERT_TRUE(rig.start(*overlay, dd::PortConvert));
    ASSERT_TRUE(overlay->updateOverlay(nullptr, *primary, &rig.windows.client, dd::OverlayShow));
    ASSERT_TRUE(rig.card.display().runPort(1));
    std::vector<uint32_t> out(352 * 240);
    EXPECT_EQ(rig.card.display().compose(rig.windows.client, out.data(), 352), 352u * 240u);
    EXPECT_EQ(out[1000], 0xFF000000u);
}

TEST(CardDisplay, InterleavedFieldsFillOneBufferBeforeItIsShown) {
    ComposeRig rig;
    auto overlay = rig.overlay(484, 1);
    auto& primary = rig.primary;
    ASSERT_TRUE(rig.start(
        *overlay, dd::PortConvert | dd::PortPrescale | dd::PortInterleave | dd::PortAutoFlip, 720,
        242));
    const DisplayRect src{8, 4, 712, 484};
    const DisplayRect dst{0, 0, 704, 480};
    ASSERT_TRUE(overlay->updateOverlay(&src, *primary, &dst, dd::OverlayShow));
    std::vector<uint32_t> out(704 * 480);
    // Only every other field is read, as when the reader falls behind: the
    // port still alternates the lines it writes.
    for (uint64_t field = 10; field < 18; field += 2) {
        ASSERT_TRUE(rig.card.display().runPort(field));
        rig.card.display().compose(dst, out.data(), 704);
        // Every line of the frame shows the picture (at least luminance 40),
        // none is left black from the field that is not in this buffer.
        int blackLines = 0;
        for (int y = 0; y < 480; ++y) {
            blackLines += (out[size_t(y) * 704 + 352] & 0xFFFFFF) == 0 ? 1 : 0;
        }
        // The first field went into the back buffer; from the second on a
        // whole frame is shown.
        if (field > 10) {
            EXPECT_EQ(blackLines, 0) << "field " << field;
        }
    }
}

// The screen keeps converted overlay lines between compositions; each new
// field must still show, whichever buffer it went into.
TEST(CardDisplay, EveryComposedFieldShowsTheLatestPicture) {
    // One field per frame into front and back buffer in turn.
    {
        ComposeRig rig(std::make_unique<ChangingSource>());
        auto overlay = rig.overlay(242, 1);
        ASSERT_TRUE(
            rig.start(*overlay, dd::PortConvert | dd::PortPrescale | dd::PortAutoFlip, 360, 242));
        const DisplayRect src{4, 2, 356, 242};
        ASSERT_TRUE(
            overlay->updateOverlay(&src, *rig.primary, &rig.windows.client, dd::OverlayShow));
        std::vector<uint32_t> out(352 * 240);
        for (uint64_t field = 7; field < 12; ++field) {
            ASSERT_TRUE(rig.card.display().runPort(field));
            rig.card.display().compose(rig.windows.client, out.data(), 352);
            vcard::VideoField f;
            rig.card.field(field, f);
            EXPECT_LT(meanDifference(out, f, 352, 240, 8, 4, 0), 3.0) << "field " << field;
        }
    }
    // Two fields interleaved per frame, composed after every field.
    ComposeRig rig(std::make_unique<ChangingSource>());
    auto overlay = rig.overlay(484, 1);
    ASSERT_TRUE(rig.start(
        *overlay, dd::PortConvert | dd::PortPrescale | dd::PortInterleave | dd::PortAutoFlip, 720,
        242));
    const DisplayRect src{8, 4, 712, 484};
    const DisplayRect dst{0, 0, 704, 480};
    ASSERT_TRUE(overlay->updateOverlay(&src, *rig.primary, &dst, dd::OverlayShow));
    std::vector<uint32_t> out(704 * 480);
    // The port's first field is its even lines.
    for (uint64_t field = 20; field < 28; ++field) {
        ASSERT_TRUE(rig.card.display().runPort(field));
        rig.card.display().compose(dst, out.data(), 704);
        if (field % 2 == 0) {
            continue;  // half a frame, not shown yet
        }
        for (uint64_t written : {field - 1, field}) {
            vcard::VideoField f;
            rig.card.field(written, f);
            const uint8_t* pair = f.uyvy.data() + (100 * 720 + 360) * 2;
            uint8_t r, g, b;
            vcard::yuvToRgb(pair[1], pair[0], pair[2], r, g, b);
            const uint32_t want = 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | b;
            // Screen line y shows overlay line y + 4, of the field of its parity.
            const int y = written == field ? 201 : 200;
            EXPECT_EQ(out[size_t(y) * 704 + 352], want) << "field " << written;
        }
    }
}

// Random windows, clip lists, alignments and port settings: under the
// address sanitizer any read or write outside a surface or field fails.
TEST(CardDisplayProperty, NoRectangleMakesThePortOrComposerLeaveTheirMemory) {
    std::mt19937 rng(20261208);
    auto any = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 60; ++round) {
        vcard::DisplayOptions o;
        o.alignBoundaryDest = uint32_t(any(0, 3) == 0 ? 0 : any(1, 64));
        o.alignSizeDest = uint32_t(any(0, 3) == 0 ? 0 : any(1, 64));
        o.alignBoundarySrc = uint32_t(any(0, 3) == 0 ? 0 : any(1, 64));
        o.alignSizeSrc = uint32_t(any(0, 3) == 0 ? 0 : any(1, 64));
        o.maxPrescaleWidth = uint32_t(any(1, 720));
        o.interleave = any(0, 1) == 1;
        o.outputFormats = {any(0, 1) == 1 ? dd::Uyvy : dd::Yuy2};
        const int families[] = {10, 20, 30, 40};
        LiveRig rig(o, families[any(0, 3)], uint32_t(any(0, 7)), any(0, 1) == 1 ? 50 : 60);
        rig.windows.client.left = any(-900, 1500);
        rig.windows.client.top = any(-900, 1200);
        rig.windows.client.right = rig.windows.client.left + any(0, 1400);
        rig.windows.client.bottom = rig.windows.client.top + any(0, 1100);
        for (int i = any(0, 4); i > 0; --i) {
            const int l = any(-200, 1400);
            const int t = any(-200, 1100);
            rig.windows.covering.push_back({l, t, l + any(0, 800), t + any(0, 800)});
        }
        rig.launch();
        for (int tick = 0; tick < 4; ++tick) {
            PaintColorKey(rig.live, rig.services);
            rig.card->display().runPort(uint64_t(tick));
            const DisplayRect area{any(-100, 1200), any(-100, 900), 0, 0};
            const DisplayRect composed{area.left, area.top, area.left + any(0, 500),
                                       area.top + any(0, 400)};
            std::vector<uint32_t> out(size_t(std::max(composed.width(), 0)) *
                                      size_t(std::max(composed.height(), 0)));
            rig.card->display().compose(composed, out.data(), size_t(composed.width()));
            rig.windows.client.right += any(-50, 50);
            rig.windows.minimised = any(0, 9) == 0;
            rig.timers.advance(kLiveVideoPeriodMs);
        }
        // Straight through the interface, rectangles no program would send.
        if (rig.live.overlay && rig.live.primary) {
            const DisplayRect src{any(-50, 800), any(-50, 600), any(-50, 800), any(-50, 600)};
            const DisplayRect dst{any(-500, 1500), any(-500, 1200), any(-500, 1500),
                                  any(-500, 1200)};
            rig.live.overlay->updateOverlay(&src, *rig.live.primary, &dst, dd::OverlayShow);
            std::vector<uint32_t> out(64 * 64);
            rig.card->display().compose({dst.left, dst.top, dst.left + 64, dst.top + 64},
                                        out.data(), 64);
            platform::PortInfo info;
            info.flags = uint32_t(any(0, 0xFFF));
            info.prescaleWidth = uint32_t(any(0, 2000));
            info.prescaleHeight = uint32_t(any(0, 3000));
            info.inputFormat = rig.live.inputFormat;
            if (rig.live.port->updateVideo(info)) {
                rig.card->display().runPort(uint64_t(any(0, 100)));
            }
        }
    }
}

}  // namespace
}  // namespace zelkor::test
