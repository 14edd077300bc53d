#include "vcard/mjpeg.h"

#include "formats/jpeg_encode.h"

namespace zelkor::vcard {

bool encodeJpeg(const CaptureFrame& frame, bool grey, int quality, std::vector<uint8_t>& out) {
    out.clear();
    if (frame.width <= 0 || frame.height <= 0 || frame.width % 2 != 0 ||
        frame.y.size() < size_t(frame.width) * size_t(frame.height)) {
        return false;
    }
    const size_t width = size_t(frame.width);
    const size_t cw = width / 2;
    const size_t chroma = cw * size_t(frame.height);
    if (!grey && (frame.u.size() < chroma || frame.v.size() < chroma)) {
        return false;
    }
    // The frame is planar 4:2:2: a colour row interleaves each luminance
    // byte with its pair's chroma.
    const auto row = [&](uint32_t line, uint8_t* scratch) -> const uint8_t* {
        const uint8_t* y = frame.y.data() + line * width;
        if (grey) {
            return y;
        }
        const uint8_t* u = frame.u.data() + line * cw;
        const uint8_t* v = frame.v.data() + line * cw;
        for (size_t x = 0; x < width; ++x) {
            scratch[x * 3] = y[x];
            scratch[x * 3 + 1] = u[x / 2];
            scratch[x * 3 + 2] = v[x / 2];
        }
        return scratch;
    };
    return formats::encodeJpeg(uint32_t(frame.width), uint32_t(frame.height),
                               grey ? formats::JpegColour::Grey : formats::JpegColour::YCbCr,
                               quality, row, out);
}

}  // namespace zelkor::vcard
