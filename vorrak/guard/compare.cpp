#include "vorrak/guard/compare.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zelkor::vorrak {

namespace {

// How many of a block's 256 pixels moved by more than `threshold`. Counting
// all of them gives the same changed flag as stopping once the count passes
// the pixel-count threshold, and keeps the loop free of branches.
uint32_t changedPixels(const uint8_t* earlier, const uint8_t* newer, size_t stride,
                       uint8_t threshold) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i limit = _mm_set1_epi8(static_cast<char>(threshold));
    __m128i unchanged = zero;  // per byte lane: rows in which the pixel stayed
    for (uint32_t y = 0; y < kBlockSize; ++y) {
        const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(earlier + y * stride));
        const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(newer + y * stride));
        const __m128i diff = _mm_or_si128(_mm_subs_epu8(e, f), _mm_subs_epu8(f, e));
        const __m128i over = _mm_subs_epu8(diff, limit);  // nonzero where diff > threshold
        unchanged = _mm_sub_epi8(unchanged, _mm_cmpeq_epi8(over, zero));
    }
    const __m128i sums = _mm_sad_epu8(unchanged, zero);
    const auto kept =
        static_cast<uint32_t>(_mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    return kBlockSize * kBlockSize - kept;
#else
    uint32_t count = 0;
    for (uint32_t y = 0; y < kBlockSize; ++y) {
        for (uint32_t x = 0; x < kBlockSize; ++x) {
            const int a = earlier[y * stride + x];
            const int b = newer[y * stride + x];
            count += (a > b ? a - b : b - a) > threshold ? 1 : 0;
        }
    }
    return count;
#endif
}

}  // namespace

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

uint32_t CompareFrames(std::span<const uint8_t> earlier, std::span<const uint8_t> newer,
                       uint32_t pixelThreshold, const CompareContext& context,
                       CompareState& state) {
    const uint32_t columns =
        std::min(static_cast<uint32_t>(std::max(context.lastWidth, 0)) / kBlockSize, kBlockColumns);
    const uint32_t rows =
        std::min(static_cast<uint32_t>(std::max(context.lastHeight, 0)) / kBlockSize, kBlockRows);
    const size_t stride = context.frameWidth;
    const size_t available = std::min(earlier.size(), newer.size());
    // A difference can never exceed 255, so larger thresholds behave as 255.
    const auto threshold = static_cast<uint8_t>(std::min(pixelThreshold, 255u));

    uint32_t changed = 0;
    for (uint32_t r = 0; r < rows; ++r) {
        const size_t rowStart = size_t{kBlockSize} * r * stride;
        // The block row's last byte: top pixel row, end of the last column.
        if (columns == 0 ||
            rowStart + (kBlockSize - 1) * stride + size_t{kBlockSize} * columns > available) {
            break;
        }
        for (uint32_t c = 0; c < columns; ++c) {
            state.ChangedBlocks[c][r] = 0;
            if (!context.tracing && state.RegionMask[c][rows - 1 - r] == 0) {
                continue;
            }
            const size_t at = rowStart + size_t{kBlockSize} * c;
            if (changedPixels(earlier.data() + at, newer.data() + at, stride, threshold) >
                state.PixelCountThreshold) {
                state.ChangedBlocks[c][r] = 1;
                ++changed;
            }
        }
    }
    return changed > state.BlockCountThreshold ? 1 : 0;
}

}  // namespace zelkor::vorrak
