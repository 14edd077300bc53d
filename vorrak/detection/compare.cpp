#include "vorrak/detection/compare.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#define ZELKOR_HAVE_AVX2_KERNEL 1
#endif

namespace zelkor::vorrak {

namespace {

constexpr uint32_t kBlockPixels = kBlockSize * kBlockSize;
// Rows counted before the first look at a block: a plainly changed block is
// left there, as the pixel-by-pixel count leaves it once it passes the
// limit. The flag is the same as counting every pixel.
constexpr uint32_t kFirstLook = kBlockSize / 4;

// Each kernel decides, for the watched blocks of one block row, whether more
// than `limit` of a block's pixels moved by more than `threshold`.
struct BlockRow {
    const uint8_t* earlier;
    const uint8_t* newer;
    size_t stride;
    uint32_t columns;
    uint8_t threshold;
    uint32_t limit;
    const bool* watched;
    bool* moved;
};

bool blockChangedPortable(const uint8_t* earlier, const uint8_t* newer, size_t stride,
                          uint8_t threshold, uint32_t limit) {
    uint32_t count = 0;
    for (uint32_t y = 0; y < kBlockSize; ++y) {
        for (uint32_t x = 0; x < kBlockSize; ++x) {
            const int a = earlier[y * stride + x];
            const int b = newer[y * stride + x];
            count += (a > b ? a - b : b - a) > threshold ? 1 : 0;
        }
        if (count > limit) {
            return true;
        }
    }
    return false;
}

void rowPortable(const BlockRow& row) {
    for (uint32_t c = 0; c < row.columns; ++c) {
        const size_t at = size_t{kBlockSize} * c;
        row.moved[c] = row.watched[c] && blockChangedPortable(row.earlier + at, row.newer + at,
                                                              row.stride, row.threshold, row.limit);
    }
}

#if defined(__SSE2__)
// Per byte lane, adds the rows [from, to) in which the pixel stayed within
// the threshold.
inline __m128i keptRowsSse2(__m128i kept, const uint8_t* earlier, const uint8_t* newer,
                            size_t stride, __m128i threshold, uint32_t from, uint32_t to) {
    const __m128i zero = _mm_setzero_si128();
#pragma GCC unroll 16
    for (uint32_t y = from; y < to; ++y) {
        const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(earlier + y * stride));
        const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(newer + y * stride));
        const __m128i diff = _mm_or_si128(_mm_subs_epu8(e, f), _mm_subs_epu8(f, e));
        // Zero exactly where diff <= threshold.
        kept = _mm_sub_epi8(kept, _mm_cmpeq_epi8(_mm_subs_epu8(diff, threshold), zero));
    }
    return kept;
}

inline uint32_t changedSse2(__m128i kept, uint32_t rows) {
    // Each half of the sum fits in its low 16 bits.
    const __m128i sums = _mm_sad_epu8(kept, _mm_setzero_si128());
    return kBlockSize * rows -
           static_cast<uint32_t>(_mm_extract_epi16(sums, 0) + _mm_extract_epi16(sums, 4));
}

bool blockChangedSse2(const uint8_t* earlier, const uint8_t* newer, size_t stride,
                      uint8_t threshold, uint32_t limit) {
    const __m128i over = _mm_set1_epi8(static_cast<char>(threshold));
    __m128i kept = keptRowsSse2(_mm_setzero_si128(), earlier, newer, stride, over, 0, kFirstLook);
    if (changedSse2(kept, kFirstLook) > limit) {
        return true;
    }
    kept = keptRowsSse2(kept, earlier, newer, stride, over, kFirstLook, kBlockSize);
    return changedSse2(kept, kBlockSize) > limit;
}

void rowSse2(const BlockRow& row) {
    for (uint32_t c = 0; c < row.columns; ++c) {
        const size_t at = size_t{kBlockSize} * c;
        row.moved[c] = row.watched[c] && blockChangedSse2(row.earlier + at, row.newer + at,
                                                          row.stride, row.threshold, row.limit);
    }
}
#endif

#if defined(ZELKOR_HAVE_AVX2_KERNEL)
// Two neighbouring blocks at once: lane bytes 0-15 are the left block,
// 16-31 the right one.
__attribute__((target("avx2"))) inline __m256i keptRowsAvx2(__m256i kept, const uint8_t* earlier,
                                                            const uint8_t* newer, size_t stride,
                                                            __m256i threshold, uint32_t from,
                                                            uint32_t to) {
    const __m256i zero = _mm256_setzero_si256();
#pragma GCC unroll 16
    for (uint32_t y = from; y < to; ++y) {
        const __m256i e =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(earlier + y * stride));
        const __m256i f = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(newer + y * stride));
        const __m256i diff = _mm256_or_si256(_mm256_subs_epu8(e, f), _mm256_subs_epu8(f, e));
        kept = _mm256_sub_epi8(kept, _mm256_cmpeq_epi8(_mm256_subs_epu8(diff, threshold), zero));
    }
    return kept;
}

// Bit 0 set: the left block has more than `limit` changed pixels in its
// first `rows` rows; bit 2: the right block. Stays in vector registers up to
// the one mask, which keeps the early look cheap.
__attribute__((target("avx2"))) inline int overLimitAvx2(__m256i kept, uint32_t rows,
                                                         uint32_t limit) {
    const __m256i halves = _mm256_sad_epu8(kept, _mm256_setzero_si256());
    const __m256i blocks =
        _mm256_add_epi64(halves, _mm256_shuffle_epi32(halves, _MM_SHUFFLE(1, 0, 3, 2)));
    // changed > limit exactly when kept < rows x 16 - limit.
    const __m256i bound =
        _mm256_set1_epi64x(static_cast<int64_t>(kBlockSize * rows) - static_cast<int64_t>(limit));
    // Lanes 1 and 3 repeat lanes 0 and 2.
    return _mm256_movemask_pd(_mm256_castsi256_pd(_mm256_cmpgt_epi64(bound, blocks))) & 0b101;
}

__attribute__((target("avx2"))) void rowAvx2(const BlockRow& row) {
    const __m256i over = _mm256_set1_epi8(static_cast<char>(row.threshold));
    uint32_t c = 0;
    for (; c + 1 < row.columns; c += 2) {
        if (!row.watched[c] && !row.watched[c + 1]) {
            row.moved[c] = row.moved[c + 1] = false;
            continue;
        }
        const uint8_t* e = row.earlier + size_t{kBlockSize} * c;
        const uint8_t* f = row.newer + size_t{kBlockSize} * c;
        __m256i kept = keptRowsAvx2(_mm256_setzero_si256(), e, f, row.stride, over, 0, kFirstLook);
        int changed = overLimitAvx2(kept, kFirstLook, row.limit);
        if (changed != 0b101) {
            kept = keptRowsAvx2(kept, e, f, row.stride, over, kFirstLook, kBlockSize);
            changed = overLimitAvx2(kept, kBlockSize, row.limit);
        }
        row.moved[c] = row.watched[c] && (changed & 0b001) != 0;
        row.moved[c + 1] = row.watched[c + 1] && (changed & 0b100) != 0;
    }
    if (c < row.columns) {
        const size_t at = size_t{kBlockSize} * c;
        row.moved[c] = row.watched[c] && blockChangedSse2(row.earlier + at, row.newer + at,
                                                          row.stride, row.threshold, row.limit);
    }
}
#endif

CompareKernel fastestKernel() {
#if defined(ZELKOR_HAVE_AVX2_KERNEL)
    if (__builtin_cpu_supports("avx2")) {
        return CompareKernel::Avx2;
    }
#endif
#if defined(__SSE2__)
    return CompareKernel::Sse2;
#else
    return CompareKernel::Portable;
#endif
}

}  // namespace

bool CompareKernelAvailable(CompareKernel kernel) {
    switch (kernel) {
        case CompareKernel::Portable:
            return true;
        case CompareKernel::Sse2:
#if defined(__SSE2__)
            return true;
#else
            return false;
#endif
        case CompareKernel::Avx2:
            return fastestKernel() == CompareKernel::Avx2;
    }
    return false;
}

void BuildRegionMask(CompareState& state, bool useRegionCompare, const DetectRegion& region,
                     uint32_t frameWidth, uint32_t frameHeight) {
    const uint32_t columns = std::min(frameWidth / kBlockSize, kBlockColumns);
    const uint32_t rows = std::min(frameHeight / kBlockSize, kBlockRows);
    state.ActiveBlockCount = 0;
    if (!useRegionCompare) {
        for (auto& column : state.RegionMask) {
            column.fill(1);
        }
        for (auto& column : state.ChangedBlocks) {
            column.fill(0);
        }
        state.ActiveBlockCount = columns * rows;
        return;
    }
    for (uint32_t c = 0; c < columns; ++c) {
        for (uint32_t r = 0; r < rows; ++r) {
            // A block belongs to the region when its centre lies strictly inside.
            const auto x = static_cast<int32_t>(kBlockSize * c + 7);
            const auto y = static_cast<int32_t>(kBlockSize * r + 7);
            const bool inside =
                region.left < x && x < region.right && region.top < y && y < region.bottom;
            state.RegionMask[c][r] = inside ? 1 : 0;
            state.ActiveBlockCount += inside ? 1 : 0;
        }
    }
}

uint32_t PixelThreshold(uint32_t sensibility) {
    if (sensibility >= 95) {
        return 5;
    }
    return sensibility >= 60 ? 10 : 15;
}

uint32_t PixelCountThreshold(uint32_t sensibility) {
    return 150 - sensibility;
}

uint32_t BlockCountThreshold(uint32_t activeBlocks, uint32_t sensibility) {
    if (activeBlocks <= 6) {
        return 2;
    }
    if (activeBlocks <= 10) {
        return 4;
    }
    if (sensibility >= 90) {
        return 101 - sensibility;
    }
    if (sensibility >= 80) {
        return 104 - sensibility;
    }
    if (sensibility >= 60) {
        return 2 * (100 - sensibility);
    }
    return static_cast<uint32_t>((1.0 - sensibility / 100.0) * activeBlocks);
}

void SetThresholds(CompareState& state, uint32_t sensibility) {
    state.BlockCountThreshold = BlockCountThreshold(state.ActiveBlockCount, sensibility);
    state.PixelCountThreshold = PixelCountThreshold(sensibility);
    state.PixelThreshold = PixelThreshold(sensibility);
}

uint32_t CompareFramesWith(CompareKernel kernel, std::span<const uint8_t> earlier,
                           std::span<const uint8_t> newer, uint32_t pixelThreshold,
                           const CompareContext& context, CompareState& state) {
    void (*const compareRow)(const BlockRow&) =
#if defined(ZELKOR_HAVE_AVX2_KERNEL)
        kernel == CompareKernel::Avx2 ? rowAvx2 :
#endif
#if defined(__SSE2__)
        kernel == CompareKernel::Sse2 ? rowSse2
                                      :
#endif
                                      rowPortable;
    const uint32_t columns =
        std::min(static_cast<uint32_t>(std::max(context.lastWidth, 0)) / kBlockSize, kBlockColumns);
    const uint32_t rows =
        std::min(static_cast<uint32_t>(std::max(context.lastHeight, 0)) / kBlockSize, kBlockRows);
    const size_t stride = context.frameWidth;
    const size_t available = std::min(earlier.size(), newer.size());
    // A difference can never exceed 255, so larger thresholds behave as 255.
    const auto threshold = static_cast<uint8_t>(std::min(pixelThreshold, 255u));
    const uint32_t limit = state.PixelCountThreshold;
    // With a limit of 256 or more no block can change.
    const bool possible = limit < kBlockPixels;

    uint32_t changed = 0;
    for (uint32_t r = 0; r < rows; ++r) {
        const size_t rowStart = size_t{kBlockSize} * r * stride;
        // The block row's last byte: top pixel row, end of the last column.
        if (columns == 0 ||
            rowStart + (kBlockSize - 1) * stride + size_t{kBlockSize} * columns > available) {
            break;
        }
        bool watched[kBlockColumns];
        bool moved[kBlockColumns];
        for (uint32_t c = 0; c < columns; ++c) {
            watched[c] = possible && (context.tracing || state.RegionMask[c][rows - 1 - r] != 0);
        }
        compareRow({earlier.data() + rowStart, newer.data() + rowStart, stride, columns, threshold,
                    limit, watched, moved});
        for (uint32_t c = 0; c < columns; ++c) {
            state.ChangedBlocks[c][r] = moved[c] ? 1 : 0;
            changed += moved[c] ? 1 : 0;
        }
    }
    return changed > state.BlockCountThreshold ? 1 : 0;
}

uint32_t CompareFrames(std::span<const uint8_t> earlier, std::span<const uint8_t> newer,
                       uint32_t pixelThreshold, const CompareContext& context,
                       CompareState& state) {
    return CompareFramesWith(fastestKernel(), earlier, newer, pixelThreshold, context, state);
}

}  // namespace zelkor::vorrak
