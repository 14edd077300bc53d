// Frame bitmaps come from files on disk that any program may have written.
// Each input is parsed as a work file; a frame that is accepted is also run
// through the block comparison with the published size, which must stay
// inside the pixels the reader vouched for.

#include <cstddef>
#include <cstdint>
#include <span>

#include "vorrak/detection/compare.h"
#include "vorrak/detection/frame_bitmap.h"

using namespace zelkor::vorrak;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> input(data, size);
    FrameImage frame;
    LastFrameRead last;
    // Twice, so the second read sees the colour count of the first.
    for (int pass = 0; pass < 2; ++pass) {
        if (ParseFrameBitmap(input, frame, last) != kFrameReadOk) {
            return 0;
        }
        CompareState state;
        BuildRegionMask(state, false, {}, static_cast<uint32_t>(last.width),
                        static_cast<uint32_t>(last.height));
        SetThresholds(state, 90);
        const CompareContext context{false, last.width, last.height,
                                     static_cast<uint32_t>(last.width)};
        CompareFrames(frame.pixels(), frame.pixels(), state.PixelThreshold, context, state);
    }
    return 0;
}
