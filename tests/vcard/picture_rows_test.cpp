// The card's whole-row picture work against one pixel at a time: colour
// conversion for the screen and the capture window, the decoder's picture
// controls, and scenes drawn from their cached room.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "vcard/capture_frame.h"
#include "vcard/decoder_output.h"
#include "vcard/scene.h"
#include "vcard/wide_loops.h"
#include "vcard/yuv_rows.h"

namespace zelkor {
namespace {

uint32_t expectedArgb(int y, int u, int v) {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    vcard::yuvToRgb(y, u, v, r, g, b);
    return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}

// The card's loops in their plain copies (or the wide ones) for a scope.
class LoopCopies {
  public:
    explicit LoopCopies(bool wide) { vcard::setWideLoops(wide); }
    ~LoopCopies() { vcard::setWideLoops(true); }
    LoopCopies(const LoopCopies&) = delete;
    LoopCopies& operator=(const LoopCopies&) = delete;
};

// Every (y, u, v) once: the u and v of each pair walk all 65536 colours
// while the two luminances run through all 256 values, in rows of a length
// that leaves a tail after the whole blocks. The rows are exactly as long
// as the pairs, so under the address sanitizer a write past the last pair
// fails too.
TEST(YuvRows, EveryColourConvertsAsOnePixelAtATime) {
    constexpr size_t kPairs = 4099;
    std::vector<uint8_t> packed(kPairs * 4);
    std::vector<uint8_t> y(kPairs * 2);
    std::vector<uint8_t> u(kPairs);
    std::vector<uint8_t> v(kPairs);
    std::vector<uint32_t> fromUyvy(kPairs * 2);
    std::vector<uint32_t> fromYuy2(kPairs * 2);
    std::vector<uint32_t> fromPlanar(kPairs * 2);
    size_t mismatches = 0;
    for (const bool wide : {true, false}) {
        const LoopCopies copies(wide);
        for (uint32_t start = 0; start < (1u << 24); start += kPairs * 2) {
            for (size_t p = 0; p < kPairs; ++p) {
                const uint32_t n = start + uint32_t(2 * p);
                y[2 * p] = uint8_t(n);
                y[2 * p + 1] = uint8_t(n + 1);
                u[p] = uint8_t(n >> 8);
                v[p] = uint8_t(n >> 16);
            }
            for (size_t p = 0; p < kPairs; ++p) {
                packed[4 * p] = u[p];
                packed[4 * p + 1] = y[2 * p];
                packed[4 * p + 2] = v[p];
                packed[4 * p + 3] = y[2 * p + 1];
            }
            vcard::pairsToArgb(packed.data(), kPairs, false, fromUyvy.data());
            for (size_t p = 0; p < kPairs; ++p) {
                packed[4 * p] = y[2 * p];
                packed[4 * p + 1] = u[p];
                packed[4 * p + 2] = y[2 * p + 1];
                packed[4 * p + 3] = v[p];
            }
            vcard::pairsToArgb(packed.data(), kPairs, true, fromYuy2.data());
            vcard::planarToArgb(y.data(), u.data(), v.data(), kPairs, fromPlanar.data());
            for (size_t x = 0; x < kPairs * 2; ++x) {
                const uint32_t want = expectedArgb(y[x], u[x / 2], v[x / 2]);
                if (fromUyvy[x] != want || fromYuy2[x] != want || fromPlanar[x] != want) {
                    if (++mismatches <= 5) {
                        ADD_FAILURE() << (wide ? "wide: " : "plain: ") << "y " << int(y[x]) << " u "
                                      << int(u[x / 2]) << " v " << int(v[x / 2]) << ": " << std::hex
                                      << fromUyvy[x] << " " << fromYuy2[x] << " " << fromPlanar[x]
                                      << " want " << want;
                    }
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0u);
}

// A decoder with its picture registers (0x0A - 0x0D) set.
vcard::Decoder decoderWith(uint8_t brightness, uint8_t contrast, uint8_t saturation, uint8_t hue) {
    vcard::Decoder d([](vcard::Connector) { return vcard::InputSignal{}; });
    d.begin(false);
    for (uint8_t byte : {uint8_t(0x0A), brightness, contrast, saturation, hue}) {
        d.receive(byte);
    }
    return d;
}

uint8_t clampByte(int x) {
    return uint8_t(std::clamp(x, 0, 255));
}

TEST(PictureControls, EverySettingMatchesThePerPixelFormula) {
    // An odd number of pairs, so the last block is short.
    vcard::Picture in;
    in.resize(718, 37);
    for (size_t i = 0; i < in.y.size(); ++i) {
        in.y[i] = uint8_t(i * 7 + i / 256);
    }
    for (size_t i = 0; i < in.u.size(); ++i) {
        in.u[i] = uint8_t(i);
        in.v[i] = uint8_t(i / 256 * 3 + i * 11);
    }
    struct Setting {
        uint8_t brightness, contrast, saturation, hue;
    };
    const Setting settings[] = {
        {0x80, 0x47, 0x40, 0x00},  // unity: the picture as it comes
        {0x80, 0x48, 0x40, 0x00},  // the program's defaults
        {0x00, 0xFF, 0x40, 0x00}, {0xFF, 0xFF, 0xFF, 0x7F}, {0x20, 0x00, 0x00, 0x80},
        {0xC0, 0x30, 0x7F, 0x40}, {0x80, 0x47, 0x20, 0xC0}, {0x10, 0x90, 0xFF, 0x01},
    };
    for (const Setting& s : settings) {
        for (const bool wide : {true, false}) {
            const LoopCopies copies(wide);
            const vcard::Decoder d = decoderWith(s.brightness, s.contrast, s.saturation, s.hue);
            vcard::VideoField out;
            out.uyvy.assign(in.y.size() * 2 + 4, 0xEE);
            vcard::applyPictureControls(d, in, out);

            const double angle = int8_t(s.hue) * std::numbers::pi / 128.0;
            const double gain = s.saturation / 64.0;
            const int c = int(std::lround(std::cos(angle) * gain * 1024));
            const int sn = int(std::lround(std::sin(angle) * gain * 1024));
            size_t wrong = 0;
            for (size_t p = 0; p < in.u.size(); ++p) {
                const int cu = in.u[p] - 128;
                const int cv = in.v[p] - 128;
                const uint8_t want[4] = {
                    clampByte(128 + (cu * c - cv * sn) / 1024),
                    clampByte((in.y[2 * p] - 128) * s.contrast / 0x47 + s.brightness),
                    clampByte(128 + (cu * sn + cv * c) / 1024),
                    clampByte((in.y[2 * p + 1] - 128) * s.contrast / 0x47 + s.brightness),
                };
                wrong += !std::equal(want, want + 4, out.uyvy.begin() + ptrdiff_t(4 * p));
            }
            EXPECT_EQ(wrong, 0u) << (wide ? "wide" : "plain") << " registers " << int(s.brightness)
                                 << " " << int(s.contrast) << " " << int(s.saturation) << " "
                                 << int(s.hue);
            EXPECT_EQ(out.uyvy[in.y.size() * 2], 0xEE) << "wrote past the picture";
        }
    }
}

// The noise is hashed per sample; the plain and wide loops hash alike,
// including the samples after the last whole block.
TEST(Scenes, NoiseIsTheSameFromEitherCopyOfTheLoops) {
    const vcard::SourceConfig config{"scene:walker", 60, 5, 8000};
    auto source = vcard::makeScene("walker", config);
    vcard::Picture wide;
    vcard::Picture plain;
    wide.resize(722, 241);
    plain.resize(722, 241);
    source->render(60, wide);
    {
        const LoopCopies copies(false);
        source->render(60, plain);
    }
    EXPECT_EQ(wide.y, plain.y);
}

// The room is drawn once per picture size; a source asked for other sizes
// in between still draws each field as a fresh source would.
TEST(Scenes, AFieldIsTheSameWhateverSizesWereDrawnBefore) {
    const vcard::SourceConfig config{"scene:lighting", 50, 3, 2000};
    auto fresh = [&](int width, int height, uint64_t field) {
        auto source = vcard::makeScene("lighting", config);
        vcard::Picture p;
        p.resize(width, height);
        source->render(field, p);
        return p;
    };
    auto reused = vcard::makeScene("lighting", config);
    const struct {
        int width, height;
        uint64_t field;
    } order[] = {{720, 288, 10}, {720, 240, 60}, {352, 288, 70}, {720, 288, 75}, {720, 288, 10}};
    for (const auto& o : order) {
        vcard::Picture p;
        p.resize(o.width, o.height);
        reused->render(o.field, p);
        const vcard::Picture want = fresh(o.width, o.height, o.field);
        EXPECT_TRUE(p.y == want.y && p.u == want.u && p.v == want.v)
            << o.width << " x " << o.height << " field " << o.field;
    }
}

}  // namespace
}  // namespace zelkor
