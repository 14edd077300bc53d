#include "vcard/decoder_output.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "vcard/wide_loops.h"

namespace zelkor::vcard {

namespace {
constexpr int kUnityContrast = 0x47;
constexpr int kUnitySaturation = 0x40;
// Colour pairs per block: with a fixed trip count and blocks that do not
// overlap, GCC vectorises each step at -O2. A field is some 100000 pairs.
constexpr size_t kBlock = 32;

uint8_t clamp8(int v) {
    return uint8_t(std::clamp(v, 0, 255));
}

struct Controls {
    int brightness;
    int contrast;
    int c;  // chroma rotation and gain, in 1/1024
    int s;
    bool unityChroma;
};

// (y - 128) * contrast lies within 16 bits for every byte, so the product
// and its division by the constant unity are done in 16-bit lanes.
[[gnu::always_inline]] inline void scaleLuma(const uint8_t* __restrict y, size_t n,
                                             const Controls& k, uint8_t* __restrict out) {
    for (size_t i = 0; i < n; ++i) {
        const auto scaled = int16_t((y[i] - 128) * k.contrast);
        out[i] = clamp8(int16_t(scaled / kUnityContrast) + k.brightness);
    }
}

[[gnu::always_inline]] inline void rotateChroma(const uint8_t* __restrict u,
                                                const uint8_t* __restrict v, size_t n,
                                                const Controls& k, uint8_t* __restrict outU,
                                                uint8_t* __restrict outV) {
    for (size_t i = 0; i < n; ++i) {
        const int cu = u[i] - 128;
        const int cv = v[i] - 128;
        outU[i] = clamp8(128 + (cu * k.c - cv * k.s) / 1024);
        outV[i] = clamp8(128 + (cu * k.s + cv * k.c) / 1024);
    }
}

[[gnu::always_inline]] inline void packPairs(const uint8_t* __restrict u,
                                             const uint8_t* __restrict v,
                                             const uint8_t* __restrict y, size_t n,
                                             uint8_t* __restrict o) {
    for (size_t i = 0; i < n; ++i) {
        o[4 * i] = u[i];
        o[4 * i + 1] = y[2 * i];
        o[4 * i + 2] = v[i];
        o[4 * i + 3] = y[2 * i + 1];
    }
}

// Pairs [first, first + n) of `in` to UYVY at `o`, n <= kBlock.
// Inlined into both calls, so that the full blocks' loops have a fixed count.
[[gnu::always_inline]] inline void controlPairs(const Picture& in, size_t first, size_t n,
                                                const Controls& k, uint8_t* o) {
    std::array<uint8_t, 2 * kBlock> y;
    std::array<uint8_t, kBlock> u;
    std::array<uint8_t, kBlock> v;
    scaleLuma(in.y.data() + 2 * first, 2 * n, k, y.data());
    const uint8_t* inU = in.u.data() + first;
    const uint8_t* inV = in.v.data() + first;
    if (k.unityChroma) {
        packPairs(inU, inV, y.data(), n, o);
        return;
    }
    rotateChroma(inU, inV, n, k, u.data(), v.data());
    packPairs(u.data(), v.data(), y.data(), n, o);
}
[[gnu::always_inline]] inline void controlPicture(const Picture& in, const Controls& k,
                                                  uint8_t* out) {
    const size_t pairs = size_t(in.width / 2) * size_t(in.height);
    size_t i = 0;
    for (; i + kBlock <= pairs; i += kBlock) {
        controlPairs(in, i, kBlock, k, out + 4 * i);
    }
    controlPairs(in, i, pairs - i, k, out + 4 * i);
}

#if ZELKOR_WIDE_LOOPS
ZELKOR_WIDE_TARGET void controlPictureWide(const Picture& in, const Controls& k, uint8_t* out) {
    controlPicture(in, k, out);
}
#endif
}  // namespace

void applyPictureControls(const Decoder& decoder, const Picture& in, VideoField& out) {
    Controls k{};
    k.brightness = decoder.reg(0x0A);
    k.contrast = decoder.reg(0x0B);
    const int saturation = decoder.reg(0x0C);
    const int hue = int8_t(decoder.reg(0x0D));
    // Chroma rotation by the hue angle and scaling by saturation, in 1/1024.
    const double angle = hue * std::numbers::pi / 128.0;
    const double gain = double(saturation) / kUnitySaturation;
    k.c = int(std::lround(std::cos(angle) * gain * 1024));
    k.s = int(std::lround(std::sin(angle) * gain * 1024));
    // Then every colour comes out as it went in.
    k.unityChroma = k.c == 1024 && k.s == 0;

#if ZELKOR_WIDE_LOOPS
    if (wideLoops()) {
        controlPictureWide(in, k, out.uyvy.data());
        return;
    }
#endif
    controlPicture(in, k, out.uyvy.data());
}

void fillBlack(VideoField& out) {
    for (size_t i = 0; i + 1 < out.uyvy.size(); i += 2) {
        out.uyvy[i] = 128;
        out.uyvy[i + 1] = 16;
    }
}

}  // namespace zelkor::vcard
