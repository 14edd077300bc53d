#include "vcard/yuv_rows.h"

#include "vcard/capture_frame.h"
#include "vcard/wide_loops.h"

namespace zelkor::vcard {

namespace {

// Pairs per block: a loop with a fixed trip count and no overlap between
// what it reads and writes is one GCC vectorises at -O2; the tail of a row
// runs through the same code one pair at a time.
constexpr size_t kBlock = 32;

[[gnu::always_inline]] inline uint32_t argbOf(int y, int u, int v) {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    yuvToRgb(y, u, v, r, g, b);
    return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

// Byte positions inside a pair are constants here, so the loads become
// shuffles instead of indexed reads.
template <size_t Y0, size_t U, size_t Y1, size_t V>
[[gnu::always_inline]] inline void packedPairs(const uint8_t* __restrict in, size_t pairs,
                                               uint32_t* __restrict argb) {
    for (size_t p = 0; p < pairs; ++p) {
        const uint8_t* q = in + 4 * p;
        argb[2 * p] = argbOf(q[Y0], q[U], q[V]);
        argb[2 * p + 1] = argbOf(q[Y1], q[U], q[V]);
    }
}

template <size_t Y0, size_t U, size_t Y1, size_t V>
[[gnu::always_inline]] inline void packedRow(const uint8_t* in, size_t pairs, uint32_t* argb) {
    size_t p = 0;
    for (; p + kBlock <= pairs; p += kBlock) {
        packedPairs<Y0, U, Y1, V>(in + 4 * p, kBlock, argb + 2 * p);
    }
    packedPairs<Y0, U, Y1, V>(in + 4 * p, pairs - p, argb + 2 * p);
}

[[gnu::always_inline]] inline void planarPairs(const uint8_t* __restrict y,
                                               const uint8_t* __restrict u,
                                               const uint8_t* __restrict v, size_t pairs,
                                               uint32_t* __restrict argb) {
    for (size_t p = 0; p < pairs; ++p) {
        argb[2 * p] = argbOf(y[2 * p], u[p], v[p]);
        argb[2 * p + 1] = argbOf(y[2 * p + 1], u[p], v[p]);
    }
}

[[gnu::always_inline]] inline void pairsRow(const uint8_t* in, size_t pairs, bool yuy2,
                                            uint32_t* argb) {
    if (yuy2) {
        packedRow<0, 1, 2, 3>(in, pairs, argb);
    } else {
        packedRow<1, 0, 3, 2>(in, pairs, argb);
    }
}

[[gnu::always_inline]] inline void planarRow(const uint8_t* y, const uint8_t* u, const uint8_t* v,
                                             size_t pairs, uint32_t* argb) {
    size_t p = 0;
    for (; p + kBlock <= pairs; p += kBlock) {
        planarPairs(y + 2 * p, u + p, v + p, kBlock, argb + 2 * p);
    }
    planarPairs(y + 2 * p, u + p, v + p, pairs - p, argb + 2 * p);
}

#if ZELKOR_WIDE_LOOPS
ZELKOR_WIDE_TARGET void pairsRowWide(const uint8_t* in, size_t pairs, bool yuy2, uint32_t* argb) {
    pairsRow(in, pairs, yuy2, argb);
}

ZELKOR_WIDE_TARGET void planarRowWide(const uint8_t* y, const uint8_t* u, const uint8_t* v,
                                      size_t pairs, uint32_t* argb) {
    planarRow(y, u, v, pairs, argb);
}
#endif

}  // namespace

void pairsToArgb(const uint8_t* in, size_t pairs, bool yuy2, uint32_t* argb) {
#if ZELKOR_WIDE_LOOPS
    if (wideLoops()) {
        pairsRowWide(in, pairs, yuy2, argb);
        return;
    }
#endif
    pairsRow(in, pairs, yuy2, argb);
}

void planarToArgb(const uint8_t* y, const uint8_t* u, const uint8_t* v, size_t pairs,
                  uint32_t* argb) {
#if ZELKOR_WIDE_LOOPS
    if (wideLoops()) {
        planarRowWide(y, u, v, pairs, argb);
        return;
    }
#endif
    planarRow(y, u, v, pairs, argb);
}

}  // namespace zelkor::vcard
