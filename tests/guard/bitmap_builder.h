#pragma once
// Builds bitmap files byte by byte, so tests can make exactly the file they
// need, broken ones included.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "formats/bmp_file.h"
#include "formats/byte_order.h"

namespace zelkor::vorrak::testing {

struct BitmapLayout {
    uint32_t headerSize = 40;
    int32_t width = 352;
    int32_t height = 288;
    uint16_t bitCount = 8;
    uint32_t coloursUsed = 0;
    uint32_t imageSize = 0;
    uint32_t tableEntries = 256;  // colour table entries actually written
};

// Writes a field the file was sized for; a layout that leaves no room for
// one is a fault of the test itself.
inline void setU16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    if (!formats::putLe16(b, at, v)) {
        std::abort();
    }
}

inline void setU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    if (!formats::putLe32(b, at, v)) {
        std::abort();
    }
}

// A consistent file for the layout: the file size and pixel offset fields
// match what is written.
inline std::vector<uint8_t> makeBitmap(const BitmapLayout& layout) {
    // Rows padded to 4 bytes, of a pattern that differs from row to row.
    std::vector<uint8_t> pixels(
        formats::bmpRowBytes(static_cast<uint32_t>(std::abs(layout.width)), layout.bitCount) *
        static_cast<size_t>(layout.height < 0 ? -layout.height : layout.height));
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<uint8_t>(i * 7 + i / 352);
    }
    using formats::BmpFileHeaderSize;
    namespace field = formats::bitmap_field;
    const size_t pixelOffset =
        BmpFileHeaderSize + layout.headerSize + 4 * size_t{layout.tableEntries};
    std::vector<uint8_t> file(pixelOffset + pixels.size());
    setU16(file, 0, formats::BmpFileType);
    setU32(file, 2, static_cast<uint32_t>(file.size()));
    setU32(file, 10, static_cast<uint32_t>(pixelOffset));
    const size_t info = BmpFileHeaderSize;
    if (layout.headerSize >= formats::BitmapInfoHeaderSize) {
        setU32(file, info + field::Size, layout.headerSize);
        setU32(file, info + field::Width, static_cast<uint32_t>(layout.width));
        setU32(file, info + field::Height, static_cast<uint32_t>(layout.height));
        setU16(file, info + field::Planes, 1);
        setU16(file, info + field::BitCount, layout.bitCount);
        setU32(file, info + field::SizeImage, layout.imageSize);
        setU32(file, info + field::ClrUsed, layout.coloursUsed);
    } else if (layout.headerSize >= 4) {
        setU32(file, info + field::Size, layout.headerSize);
    }
    for (uint32_t i = 0; i < layout.tableEntries; ++i) {
        const auto grey = static_cast<uint8_t>(i);
        const size_t at = info + layout.headerSize + 4 * size_t{i};
        file[at] = file[at + 1] = file[at + 2] = grey;
    }
    std::copy(pixels.begin(), pixels.end(), file.begin() + static_cast<long>(pixelOffset));
    return file;
}

}  // namespace zelkor::vorrak::testing
