#include "vcard/scale.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZELKOR_SHUFFLE 1
#endif

namespace zelkor::vcard {

namespace {
// Whether the map reads first, first + 1, first + 2, ...
bool oneForOne(const std::vector<uint32_t>& map) {
    for (size_t i = 1; i < map.size(); ++i) {
        if (map[i] != map[0] + i) {
            return false;
        }
    }
    return true;
}

constexpr size_t kBlock = 16;
constexpr uint32_t kByOne = UINT32_MAX;  // a block picked sample by sample

#ifdef ZELKOR_SHUFFLE
bool haveShuffle() {
    static const bool have = __builtin_cpu_supports("ssse3");
    return have;
}

__attribute__((target("ssse3"))) void shuffleBlocks(const uint8_t* src, uint8_t* dst,
                                                    const uint32_t* map, const uint32_t* bases,
                                                    const uint8_t* masks, size_t blocks) {
    for (size_t b = 0; b < blocks; ++b, dst += kBlock, map += kBlock, masks += kBlock) {
        if (bases[b] == kByOne) {
            for (size_t k = 0; k < kBlock; ++k) {
                dst[k] = src[map[k]];
            }
            continue;
        }
        const __m128i line = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + bases[b]));
        const __m128i mask = _mm_loadu_si128(reinterpret_cast<const __m128i*>(masks));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_shuffle_epi8(line, mask));
    }
}
#endif

// Picks the bytes a column map names from a line. A stretched picture reads
// each run of 16 samples from within 16 bytes of the line: those take one
// byte shuffle where the processor has it; the rest go one by one.
class RowGather {
  public:
    RowGather(const std::vector<uint32_t>& map, int lineWidth) : map_(map.data()), n_(map.size()) {
#ifdef ZELKOR_SHUFFLE
        if (!haveShuffle()) {
            return;
        }
        blocks_ = n_ / kBlock;
        bases_.resize(blocks_);
        masks_.resize(blocks_ * kBlock);
        for (size_t b = 0; b < blocks_; ++b) {
            const uint32_t* m = map_ + b * kBlock;
            const uint32_t base = m[0];
            const bool near =
                m[kBlock - 1] - base < kBlock && int64_t(base) + int64_t(kBlock) <= lineWidth;
            bases_[b] = near ? base : kByOne;
            for (size_t k = 0; near && k < kBlock; ++k) {
                masks_[b * kBlock + k] = uint8_t(m[k] - base);
            }
        }
#else
        (void)lineWidth;
#endif
    }

    void operator()(const uint8_t* src, uint8_t* dst) const {
        size_t i = 0;
#ifdef ZELKOR_SHUFFLE
        shuffleBlocks(src, dst, map_, bases_.data(), masks_.data(), blocks_);
        i = blocks_ * kBlock;
#endif
        // Through plain pointers: a byte store may alias a vector's own
        // members, which would be reread for every sample.
        for (const uint32_t* map = map_; i < n_; ++i) {
            dst[i] = src[map[i]];
        }
    }

  private:
    const uint32_t* map_;
    size_t n_;
    size_t blocks_ = 0;
    std::vector<uint32_t> bases_;
    std::vector<uint8_t> masks_;
};
}  // namespace

Planes planesOf(const Picture& p) {
    return Planes{p.y.data(), p.u.data(), p.v.data(), p.width, p.height, p.width / 2, p.height};
}

Sampling sampleScaled(int fullWidth, int fullHeight, int width, int height) {
    Sampling s;
    s.fullWidth = fullWidth;
    s.fullHeight = fullHeight;
    s.columns.resize(size_t(std::max(width, 0)));
    s.pairs.resize(size_t(std::max(width, 0) / 2));
    s.lines.resize(size_t(std::max(height, 0)));
    for (size_t i = 0; i < s.columns.size(); ++i) {
        s.columns[i] = uint32_t(int64_t(i) * fullWidth / width);
    }
    for (size_t c = 0; c < s.pairs.size(); ++c) {
        s.pairs[c] = uint32_t(int64_t(2 * c) * fullWidth / width / 2);
    }
    for (size_t j = 0; j < s.lines.size(); ++j) {
        s.lines[j] = uint32_t(int64_t(j) * fullHeight / height);
    }
    return s;
}

Sampling sampleWhole(int width, int height) {
    return sampleScaled(width, height, width, height);
}

void samplePlanes(const Planes& in, const Sampling& at, Picture& out) {
    out.resize(at.width(), at.height());
    if (in.width <= 0 || in.height <= 0 || at.fullWidth <= 0 || at.fullHeight <= 0) {
        out.fillBlack();
        return;
    }
    const bool grey = in.u == nullptr || in.v == nullptr;
    const ptrdiff_t yStride = in.yStride != 0 ? in.yStride : in.width;
    const ptrdiff_t uStride = in.uStride != 0 ? in.uStride : in.chromaWidth;
    const ptrdiff_t vStride = in.vStride != 0 ? in.vStride : in.chromaWidth;
    // Where each sample column reads in `in`: worked out once per picture,
    // not per pixel.
    const size_t width = at.columns.size();
    const size_t cw = at.pairs.size();
    if (width == 0) {
        return;  // nothing to pick
    }
    std::vector<uint32_t> lumaAt(width);
    for (size_t i = 0; i < width; ++i) {
        lumaAt[i] = uint32_t(int64_t(at.columns[i]) * in.width / at.fullWidth);
    }
    std::vector<uint32_t> chromaAt(grey ? 0 : cw);
    for (size_t c = 0; c < chromaAt.size(); ++c) {
        const int64_t sx = int64_t(2 * at.pairs[c]) * in.width / at.fullWidth;
        chromaAt[c] = uint32_t(sx * in.chromaWidth / in.width);
    }
    // Columns that are the source's own, one for one, copy as a block.
    const bool straight = width > 0 && oneForOne(lumaAt) && (cw == 0 || oneForOne(chromaAt));
    const RowGather gatherLuma(lumaAt, in.width);
    const RowGather gatherChroma(chromaAt, in.chromaWidth);
    int lastRow = -1;
    int lastChromaRow = -1;  // of the line just made
    for (size_t j = 0; j < at.lines.size(); ++j) {
        const int sy = int(int64_t(at.lines[j]) * in.height / at.fullHeight);
        uint8_t* dstY = out.y.data() + j * width;
        uint8_t* dstU = out.u.data() + j * cw;
        uint8_t* dstV = out.v.data() + j * cw;
        if (sy == lastRow) {
            // A stretched picture repeats lines: the one just made.
            std::memcpy(dstY, dstY - width, width);
            std::memcpy(dstU, dstU - cw, cw);
            std::memcpy(dstV, dstV - cw, cw);
            continue;
        }
        lastRow = sy;
        const uint8_t* srcY = in.y + ptrdiff_t(sy) * yStride;
        if (straight) {
            std::memcpy(dstY, srcY + lumaAt.front(), width);
        } else {
            gatherLuma(srcY, dstY);
        }
        if (grey) {
            std::memset(dstU, 128, cw);
            std::memset(dstV, 128, cw);
            continue;
        }
        const int csy = int(int64_t(sy) * in.chromaHeight / in.height);
        if (csy == lastChromaRow) {
            // Chroma of fewer lines than luma (4:2:0): two lines share it.
            std::memcpy(dstU, dstU - cw, cw);
            std::memcpy(dstV, dstV - cw, cw);
            continue;
        }
        lastChromaRow = csy;
        const uint8_t* srcU = in.u + ptrdiff_t(csy) * uStride;
        const uint8_t* srcV = in.v + ptrdiff_t(csy) * vStride;
        if (straight && cw > 0) {
            std::memcpy(dstU, srcU + chromaAt.front(), cw);
            std::memcpy(dstV, srcV + chromaAt.front(), cw);
            continue;
        }
        gatherChroma(srcU, dstU);
        gatherChroma(srcV, dstV);
    }
}

void scalePlanes(const Planes& in, Picture& out) {
    samplePlanes(in, sampleWhole(out.width, out.height), out);
}

}  // namespace zelkor::vcard
