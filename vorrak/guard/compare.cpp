#include "vorrak/guard/compare.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zelkor::vorrak {

namespace {

constexpr uint32_t kBlockPixels = kBlockSize * kBlockSize;

// Whether more than `limit` of a block's 256 pixels moved by more than
// `threshold`. A block that has plainly changed is left early; the flag is
// the same as counting all its pixels.
bool blockChanged(const uint8_t* earlier, const uint8_t* newer, size_t stride, uint8_t threshold,
                  uint32_t limit) {
    if (limit >= kBlockPixels) {
        return false;
    }
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i over = _mm_set1_epi8(static_cast<char>(threshold));
    __m128i kept = zero;  // per byte lane: rows in which the pixel stayed
    const auto addRows = [&](uint32_t from, uint32_t to) {
#pragma GCC unroll 16
        for (uint32_t y = from; y < to; ++y) {
            const __m128i e =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(earlier + y * stride));
            const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(newer + y * stride));
            const __m128i diff = _mm_or_si128(_mm_subs_epu8(e, f), _mm_subs_epu8(f, e));
            // Zero exactly where diff <= threshold.
            kept = _mm_sub_epi8(kept, _mm_cmpeq_epi8(_mm_subs_epu8(diff, over), zero));
        }
    };
    const auto changedPixels = [&](uint32_t rows) {
        // Each half of the sum fits in its low 16 bits.
        const __m128i sums = _mm_sad_epu8(kept, zero);
        return kBlockSize * rows -
               static_cast<uint32_t>(_mm_extract_epi16(sums, 0) + _mm_extract_epi16(sums, 4));
    };
    // A look after a quarter of the rows catches a plainly changed block.
    addRows(0, kBlockSize / 4);
    if (changedPixels(kBlockSize / 4) > limit) {
        return true;
    }
    addRows(kBlockSize / 4, kBlockSize);
    return changedPixels(kBlockSize) > limit;
#else
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

    const uint32_t limit = state.PixelCountThreshold;
    uint32_t changed = 0;
    for (uint32_t r = 0; r < rows; ++r) {
        const size_t rowStart = size_t{kBlockSize} * r * stride;
        // The block row's last byte: top pixel row, end of the last column.
        if (columns == 0 ||
            rowStart + (kBlockSize - 1) * stride + size_t{kBlockSize} * columns > available) {
            break;
        }
        for (uint32_t c = 0; c < columns; ++c) {
            const size_t at = rowStart + size_t{kBlockSize} * c;
            const bool watched = context.tracing || state.RegionMask[c][rows - 1 - r] != 0;
            const bool moved = watched && blockChanged(earlier.data() + at, newer.data() + at,
                                                       stride, threshold, limit);
            state.ChangedBlocks[c][r] = moved ? 1 : 0;
            changed += moved ? 1 : 0;
        }
    }
    return changed > state.BlockCountThreshold ? 1 : 0;
}

}  // namespace zelkor::vorrak
