#pragma once
// Builds bitmap files byte by byte, so tests can make exactly the file they
// need, broken ones included.

#include <cstdint>
#include <vector>

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

inline void setU16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

inline void setU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

inline uint32_t getU32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t{b[at + 3]} << 24);
}

inline size_t rowBytes(int32_t width, uint16_t bitCount) {
    return (static_cast<size_t>(width < 0 ? -width : width) * bitCount + 31) / 32 * 4;
}

// A consistent file for the layout: the file size and pixel offset fields
// match what is written.
inline std::vector<uint8_t> makeBitmap(const BitmapLayout& layout) {
    // Rows padded to 4 bytes, of a pattern that differs from row to row.
    std::vector<uint8_t> pixels(
        rowBytes(layout.width, layout.bitCount) *
        static_cast<size_t>(layout.height < 0 ? -layout.height : layout.height));
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<uint8_t>(i * 7 + i / 352);
    }
    const size_t pixelOffset = 14 + layout.headerSize + 4 * size_t{layout.tableEntries};
    std::vector<uint8_t> file(pixelOffset + pixels.size());
    setU16(file, 0, 0x4D42);
    setU32(file, 2, static_cast<uint32_t>(file.size()));
    setU32(file, 10, static_cast<uint32_t>(pixelOffset));
    if (layout.headerSize >= 40) {
        setU32(file, 14, layout.headerSize);
        setU32(file, 18, static_cast<uint32_t>(layout.width));
        setU32(file, 22, static_cast<uint32_t>(layout.height));
        setU16(file, 26, 1);
        setU16(file, 28, layout.bitCount);
        setU32(file, 34, layout.imageSize);
        setU32(file, 46, layout.coloursUsed);
    } else if (layout.headerSize >= 4) {
        setU32(file, 14, layout.headerSize);
    }
    for (uint32_t i = 0; i < layout.tableEntries; ++i) {
        const auto grey = static_cast<uint8_t>(i);
        const size_t at = 14 + layout.headerSize + 4 * size_t{i};
        file[at] = file[at + 1] = file[at + 2] = grey;
    }
    std::copy(pixels.begin(), pixels.end(), file.begin() + static_cast<long>(pixelOffset));
    return file;
}

}  // namespace zelkor::vorrak::testing
