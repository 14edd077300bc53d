#include "vorrak/webpage/page_picture.h"

#include <cstdlib>

#include "formats/bitmap_info.h"
#include "formats/bmp_file.h"
#include "formats/jpeg_encode.h"

namespace zelkor::vorrak::webpage {

namespace {

constexpr int kJpegQuality = 80;
constexpr uint32_t kMaxColours = 256;

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

// The colour table as colours, 256 entries: an index past the table's end
// is black rather than a read outside it. Nothing when the table itself
// does not fit.
std::optional<std::vector<Rgb>> readTable(std::span<const uint8_t> dib, size_t at, uint32_t count,
                                          size_t pixelOffset) {
    if (count > kMaxColours || at + size_t(count) * 4 > pixelOffset) {
        return std::nullopt;
    }
    std::vector<Rgb> table(kMaxColours);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* entry = dib.data() + at + size_t(i) * 4;
        table[i] = {entry[2], entry[1], entry[0]};
    }
    return table;
}

bool allGrey(const std::vector<Rgb>& table) {
    for (const Rgb& c : table) {
        if (c.r != c.g || c.g != c.b) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<PagePicture> decodeDib(std::span<const uint8_t> dib, size_t pixelOffset) {
    const auto info = formats::decodeBitmapInfoHeader(dib);
    if (!info || info->compression != 0 || (info->bitCount != 8 && info->bitCount != 24) ||
        info->width <= 0 || info->height == 0 || info->height == INT32_MIN) {
        return std::nullopt;
    }
    const auto width = uint32_t(info->width);
    const auto height = uint32_t(std::abs(info->height));
    if (width > kMaxPictureSide || height > kMaxPictureSide || pixelOffset < info->size ||
        pixelOffset > dib.size()) {
        return std::nullopt;
    }
    const uint64_t rowBytes = formats::bmpRowBytes(width, info->bitCount);
    if (rowBytes * height > dib.size() - pixelOffset) {
        return std::nullopt;
    }
    PagePicture picture;
    picture.width = width;
    picture.height = height;
    std::vector<Rgb> table;
    if (info->bitCount == 8) {
        const uint32_t count = info->clrUsed == 0 ? kMaxColours : info->clrUsed;
        auto read = readTable(dib, info->size, count, pixelOffset);
        if (!read) {
            return std::nullopt;
        }
        table = std::move(*read);
        picture.grey = allGrey(table);
    } else {
        picture.grey = false;
    }
    picture.pixels.resize(size_t(width) * height * picture.bytesPerPixel());
    uint8_t* out = picture.pixels.data();
    const bool bottomUp = info->height > 0;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* in = dib.data() + pixelOffset + (bottomUp ? height - 1 - y : y) * rowBytes;
        for (uint32_t x = 0; x < width; ++x) {
            if (info->bitCount == 24) {
                *out++ = in[x * 3 + 2];
                *out++ = in[x * 3 + 1];
                *out++ = in[x * 3];
            } else if (picture.grey) {
                *out++ = table[in[x]].r;
            } else {
                const Rgb& c = table[in[x]];
                *out++ = c.r;
                *out++ = c.g;
                *out++ = c.b;
            }
        }
    }
    return picture;
}

std::optional<PagePicture> decodeBitmapFile(std::span<const uint8_t> file) {
    const auto header = formats::decodeBmpFileHeader(file);
    if (!header || header->pixelOffset < formats::BmpFileHeaderSize) {
        return std::nullopt;
    }
    return decodeDib(file.subspan(formats::BmpFileHeaderSize),
                     header->pixelOffset - formats::BmpFileHeaderSize);
}

PagePicture lowerRows(const PagePicture& picture, uint32_t first) {
    PagePicture out;
    out.width = picture.width;
    out.grey = picture.grey;
    if (first >= picture.height) {
        return out;
    }
    out.height = picture.height - first;
    const size_t rowBytes = size_t(picture.width) * picture.bytesPerPixel();
    out.pixels.assign(picture.pixels.begin() + ptrdiff_t(first * rowBytes), picture.pixels.end());
    return out;
}

PagePicture halve(const PagePicture& picture) {
    PagePicture out;
    out.width = picture.width / 2;
    out.height = picture.height / 2;
    out.grey = picture.grey;
    const size_t bpp = picture.bytesPerPixel();
    const size_t inRow = size_t(picture.width) * bpp;
    out.pixels.resize(size_t(out.width) * out.height * bpp);
    uint8_t* o = out.pixels.data();
    for (uint32_t y = 0; y < out.height; ++y) {
        const uint8_t* top = picture.pixels.data() + size_t(y) * 2 * inRow;
        const uint8_t* bottom = top + inRow;
        for (uint32_t x = 0; x < out.width; ++x) {
            for (size_t c = 0; c < bpp; ++c) {
                const size_t at = size_t(x) * 2 * bpp + c;
                *o++ = uint8_t((top[at] + top[at + bpp] + bottom[at] + bottom[at + bpp] + 2) / 4);
            }
        }
    }
    return out;
}

bool encodePicture(const PagePicture& picture, std::vector<uint8_t>& jpeg) {
    const size_t rowBytes = size_t(picture.width) * picture.bytesPerPixel();
    if (picture.pixels.size() < rowBytes * picture.height) {
        jpeg.clear();
        return false;
    }
    return formats::encodeJpeg(
        picture.width, picture.height,
        picture.grey ? formats::JpegColour::Grey : formats::JpegColour::Rgb, kJpegQuality,
        [&](uint32_t y, uint8_t*) { return picture.pixels.data() + y * rowBytes; }, jpeg);
}

}  // namespace zelkor::vorrak::webpage
