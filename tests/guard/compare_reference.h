#pragma once
// The block comparison written the plain way, pixel by pixel, leaving a
// block as soon as it counts as changed. The fast comparison must agree
// with it exactly; the benchmark measures against it.

#include <cstdint>

#include "vorrak/detection/compare.h"

namespace zelkor::vorrak::testing {

inline uint32_t CompareFramesReference(const uint8_t* earlier, const uint8_t* newer,
                                       uint32_t pixelThreshold, const CompareContext& context,
                                       CompareState& state) {
    const uint32_t columns = static_cast<uint32_t>(context.lastWidth) / 16;
    const uint32_t rows = static_cast<uint32_t>(context.lastHeight) / 16;
    uint32_t changedBlocks = 0;
    for (uint32_t r = 0; r < rows; ++r) {
        for (uint32_t c = 0; c < columns; ++c) {
            state.ChangedBlocks[c][r] = 0;
            uint32_t pixels = 0;
            if (!context.tracing && state.RegionMask[c][rows - 1 - r] == 0) {
                continue;
            }
            for (uint32_t y = 0; y < 16 && state.ChangedBlocks[c][r] == 0; ++y) {
                for (uint32_t x = 0; x < 16; ++x) {
                    const uint32_t index = (16 * r + y) * context.frameWidth + 16 * c + x;
                    const int diff = earlier[index] - newer[index];
                    if (static_cast<uint32_t>(diff < 0 ? -diff : diff) > pixelThreshold) {
                        ++pixels;
                        if (pixels > state.PixelCountThreshold) {
                            state.ChangedBlocks[c][r] = 1;
                            ++changedBlocks;
                            break;
                        }
                    }
                }
            }
        }
    }
    return changedBlocks > state.BlockCountThreshold ? 1 : 0;
}

}  // namespace zelkor::vorrak::testing
