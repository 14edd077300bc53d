#pragma once
// An event bitmap as the guard writes it, read back by tests: the two
// frames that differed, and the detection rule computed afresh over them.

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "vorrak/detection/compare.h"

namespace zelkor::testing {

// The newer frame is in the first rows of the file (the bottom of the
// picture), the earlier one above it.
struct EventFrames {
    std::vector<uint8_t> earlier;
    std::vector<uint8_t> newer;
};

inline uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

inline bool readEventBitmap(const std::string& path, uint32_t width, uint32_t height,
                            EventFrames& out) {
    const std::vector<uint8_t> file = readFile(path);
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M' || le32(file, 18) != width ||
        le32(file, 22) != 2 * height) {
        return false;
    }
    const size_t pixels = le32(file, 10);
    const size_t frame = size_t(width) * height;
    if (pixels + 2 * frame > file.size()) {
        return false;
    }
    out.newer.assign(file.begin() + long(pixels), file.begin() + long(pixels + frame));
    out.earlier.assign(file.begin() + long(pixels + frame),
                       file.begin() + long(pixels + 2 * frame));
    return true;
}

// The detection rule over the whole frame: 1 when the pair is an event.
inline uint32_t detects(const EventFrames& f, uint32_t sensibility, uint32_t width,
                        uint32_t height) {
    vorrak::CompareState state;
    vorrak::BuildRegionMask(state, false, {}, width, height);
    vorrak::SetThresholds(state, sensibility);
    const vorrak::CompareContext context{false, int32_t(width), int32_t(height), width};
    return vorrak::CompareFrames(f.earlier, f.newer, state.PixelThreshold, context, state);
}

}  // namespace zelkor::testing
