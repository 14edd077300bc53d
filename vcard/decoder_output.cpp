#include "vcard/decoder_output.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
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

// Pairs [first, first + n) of `in` through the controls, n <= kBlock,
// handed to put(first, n, y, u, v). Inlined into both calls, so that the
// full blocks' loops have a fixed count.
template <typename Put>
[[gnu::always_inline]] inline void controlPairs(const Picture& in, size_t first, size_t n,
                                                const Controls& k, Put& put) {
    std::array<uint8_t, 2 * kBlock> y;
    std::array<uint8_t, kBlock> u;
    std::array<uint8_t, kBlock> v;
    scaleLuma(in.y.data() + 2 * first, 2 * n, k, y.data());
    const uint8_t* inU = in.u.data() + first;
    const uint8_t* inV = in.v.data() + first;
    if (k.unityChroma) {
        put(first, n, y.data(), inU, inV);
        return;
    }
    rotateChroma(inU, inV, n, k, u.data(), v.data());
    put(first, n, y.data(), u.data(), v.data());
}
template <typename Put>
[[gnu::always_inline]] inline void controlPicture(const Picture& in, const Controls& k, Put put) {
    const size_t pairs = size_t(in.width / 2) * size_t(in.height);
    size_t i = 0;
    for (; i + kBlock <= pairs; i += kBlock) {
        controlPairs(in, i, kBlock, k, put);
    }
    controlPairs(in, i, pairs - i, k, put);
}

// The controlled picture as UYVY at `out`.
[[gnu::always_inline]] inline void controlToPairs(const Picture& in, const Controls& k,
                                                  uint8_t* out) {
    controlPicture(
        in, k, [out](size_t first, size_t n, const uint8_t* y, const uint8_t* u, const uint8_t* v) {
            packPairs(u, v, y, n, out + 4 * first);
        });
}

// The controlled picture back into itself.
[[gnu::always_inline]] inline void controlInPlace(Picture& p, const Controls& k) {
    controlPicture(
        p, k, [&p](size_t first, size_t n, const uint8_t* y, const uint8_t* u, const uint8_t* v) {
            std::memcpy(p.y.data() + 2 * first, y, 2 * n);
            // Unchanged colour is handed over where it lies.
            if (u != p.u.data() + first) {
                std::memcpy(p.u.data() + first, u, n);
                std::memcpy(p.v.data() + first, v, n);
            }
        });
}

#if ZELKOR_WIDE_LOOPS
ZELKOR_WIDE_TARGET void controlToPairsWide(const Picture& in, const Controls& k, uint8_t* out) {
    controlToPairs(in, k, out);
}
ZELKOR_WIDE_TARGET void controlInPlaceWide(Picture& p, const Controls& k) {
    controlInPlace(p, k);
}
#endif

Controls controlsOf(const Decoder& decoder) {
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
    return k;
}

}  // namespace

void applyPictureControls(const Decoder& decoder, const Picture& in, VideoField& out) {
    const Controls k = controlsOf(decoder);
#if ZELKOR_WIDE_LOOPS
    if (wideLoops()) {
        controlToPairsWide(in, k, out.uyvy.data());
        return;
    }
#endif
    controlToPairs(in, k, out.uyvy.data());
}

void applyPictureControls(const Decoder& decoder, Picture& picture) {
    const Controls k = controlsOf(decoder);
#if ZELKOR_WIDE_LOOPS
    if (wideLoops()) {
        controlInPlaceWide(picture, k);
        return;
    }
#endif
    controlInPlace(picture, k);
}

void fillBlack(VideoField& out) {
    for (size_t i = 0; i + 1 < out.uyvy.size(); i += 2) {
        out.uyvy[i] = 128;
        out.uyvy[i + 1] = 16;
    }
}

}  // namespace zelkor::vcard
