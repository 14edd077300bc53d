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
struct CaptureFrame {
    int width = 0;   // even
    int height = 0;
    std::vector<uint8_t> y;
    std::vector<uint8_t> u;
    std::vector<uint8_t> v;
};

// Scales a decoder field (720 pixels wide) to width x height by nearest
// neighbour; a line-doubled field when the frame is taller.
void frameFromField(const VideoField& field, int width, int height, CaptureFrame& out);

// The frame as a bitmap file in `format`: 8 bits (pixel = luminance, grey
// colour table), 24 bits (BGR), "UYVY" (the decoder's bytes); any other
// format is saved as 24 bits.
std::vector<uint8_t> dibFile(const CaptureFrame& frame, const platform::video_format::Header& format);

}  // namespace zelkor::vcard
