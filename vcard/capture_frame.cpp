#include "vcard/capture_frame.h"

#include <algorithm>
#include <cstring>

#include "formats/bmp_file.h"

namespace zelkor::vcard {

namespace {
namespace vf = platform::video_format;
}  // namespace

void frameFromField(const VideoField& field, int width, int height, CaptureFrame& out) {
    out.width = width;
    out.height = height;
    const size_t cw = size_t(width / 2);
    out.y.resize(size_t(width) * size_t(height));
    out.u.resize(cw * size_t(height));
    out.v.resize(cw * size_t(height));
    const int inHeight = field.height;
    if (inHeight <= 0 || field.uyvy.size() < size_t(VideoField::Width) * size_t(inHeight) * 2) {
        std::fill(out.y.begin(), out.y.end(), 16);
        std::fill(out.u.begin(), out.u.end(), 128);
        std::fill(out.v.begin(), out.v.end(), 128);
        return;
    }
    // Where each output column reads its luminance and its colour pair, the
    // same for every row: worked out once, not per pixel.
    std::vector<uint32_t> lumaAt(static_cast<size_t>(width));
    for (int ox = 0; ox < width; ++ox) {
        lumaAt[size_t(ox)] = uint32_t(int64_t(ox) * VideoField::Width / width) * 2 + 1;
    }
    std::vector<uint32_t> pairAt(cw);
    for (size_t cx = 0; cx < cw; ++cx) {
        pairAt[cx] = uint32_t(int64_t(2 * cx) * VideoField::Width / width / 2) * 4;
    }
    for (int oy = 0; oy < height; ++oy) {
        const int sy = int(int64_t(oy) * inHeight / height);
        const uint8_t* row = field.uyvy.data() + size_t(sy) * VideoField::Width * 2;
        uint8_t* y = out.y.data() + size_t(oy) * size_t(width);
        for (int ox = 0; ox < width; ++ox) {
            y[ox] = row[lumaAt[size_t(ox)]];
        }
        uint8_t* u = out.u.data() + size_t(oy) * cw;
        uint8_t* v = out.v.data() + size_t(oy) * cw;
        for (size_t cx = 0; cx < cw; ++cx) {
            u[cx] = row[pairAt[cx]];
            v[cx] = row[pairAt[cx] + 2];
        }
    }
}

std::vector<uint8_t> dibFile(const CaptureFrame& frame, const vf::Header& format) {
    const bool grey = format.compression == vf::Rgb && format.bitCount == 8;
    const bool uyvy = format.compression == vf::Uyvy;
    const uint16_t bits = grey ? 8 : uyvy ? 16 : 24;
    const uint32_t colours = grey ? 256 : 0;
    const auto stride = size_t(formats::bmpRowBytes(uint32_t(frame.width), bits));
    const size_t imageBytes = stride * size_t(frame.height);
    std::vector<uint8_t> greys(4 * colours, 0);
    for (uint32_t i = 0; i < colours; ++i) {
        greys[4 * i] = greys[4 * i + 1] = greys[4 * i + 2] = uint8_t(i);
    }
    std::vector<uint8_t> b = formats::encodeBmpHead({.width = frame.width,
                                                     .height = frame.height,
                                                     .bitCount = bits,
                                                     .compression = uyvy ? vf::Uyvy : vf::Rgb,
                                                     .sizeImage = uint32_t(imageBytes)},
                                                    greys, uint32_t(imageBytes));
    const size_t pixelOffset = b.size();
    b.resize(pixelOffset + imageBytes, 0);

    const size_t cw = size_t(frame.width / 2);
    for (int row = 0; row < frame.height; ++row) {
        // Bottom-up: the file's first row is the picture's last.
        const int src = frame.height - 1 - row;
        uint8_t* d = b.data() + pixelOffset + size_t(row) * stride;
        const uint8_t* y = frame.y.data() + size_t(src) * size_t(frame.width);
        const uint8_t* u = frame.u.data() + size_t(src) * cw;
        const uint8_t* v = frame.v.data() + size_t(src) * cw;
        if (grey) {
            std::memcpy(d, y, size_t(frame.width));
            continue;
        }
        for (int x = 0; x < frame.width; ++x) {
            const size_t c = size_t(x / 2);
            if (uyvy) {
                d[size_t(x) * 2] = (x % 2 == 0) ? u[c] : v[c];
                d[size_t(x) * 2 + 1] = y[x];
            } else {
                uint8_t* px = d + size_t(x) * 3;
                yuvToRgb(y[x], u[c], v[c], px[2], px[1], px[0]);
            }
        }
    }
    return b;
}

}  // namespace zelkor::vcard
