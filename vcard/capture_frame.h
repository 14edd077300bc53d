#pragma once
// One captured frame at the capture size, and the bitmap file it is saved
// as.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/capture_driver.h"
#include "vcard/picture.h"

namespace zelkor::vcard {

// Planar 4:2:2 (chroma at half width, full height), like the decoder's
// output it comes from.
using CaptureFrame = Picture;

// ITU-R BT.601 studio-range colour to RGB.
inline void yuvToRgb(int y, int u, int v, uint8_t& r, uint8_t& g, uint8_t& b) {
    auto clamp8 = [](int x) { return uint8_t(x < 0 ? 0 : x > 255 ? 255 : x); };
    const int yy = (y - 16) * 298;
    const int cb = u - 128;
    const int cr = v - 128;
    r = clamp8((yy + 409 * cr + 128) >> 8);
    g = clamp8((yy - 100 * cb - 208 * cr + 128) >> 8);
    b = clamp8((yy + 516 * cb + 128) >> 8);
}

// Scales a decoder field (720 pixels wide) to width x height by nearest
// neighbour; a line-doubled field when the frame is taller. The card makes
// its frames without the whole field (VirtualCard::frame); this is the
// plain way to the same bytes.
void frameFromField(const VideoField& field, int width, int height, CaptureFrame& out);

// The frame as a bitmap file in `format`: 8 bits (pixel = luminance, grey
// colour table), 24 bits (BGR), "UYVY" (the decoder's bytes); any other
// format is saved as 24 bits.
std::vector<uint8_t> dibFile(const CaptureFrame& frame,
                             const platform::video_format::Header& format);

}  // namespace zelkor::vcard
