#pragma once
// Bitmap files: a 14-byte file header, the bitmap information header, the
// colour table (4 bytes an entry) and the pixel rows, each padded to 4 bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "formats/bitmap_info.h"

namespace zelkor::formats {

constexpr size_t BmpFileHeaderSize = 14;
constexpr uint16_t BmpFileType = 0x4D42;  // "BM"

struct BmpFileHeader {
    uint32_t fileSize = 0;
    uint32_t pixelOffset = 0;  // from the start of the file to the rows
};

// Nothing unless `bytes` holds a file header that starts with "BM".
std::optional<BmpFileHeader> decodeBmpFileHeader(std::span<const uint8_t> bytes);

// The bytes of one row of `width` pixels of `bitCount` bits; 64 bits wide,
// so no width and bit count of a damaged header can wrap it.
constexpr uint64_t bmpRowBytes(uint32_t width, uint16_t bitCount) {
    return (uint64_t{width} * bitCount + 31) / 32 * 4;
}

// What comes before the rows: the file header, the information header as
// encodeBitmapInfoHeader writes it and `colourTable`. The file size counts
// `imageBytes` of rows after them.
std::vector<uint8_t> encodeBmpHead(const BitmapInfoHeader& info,
                                   std::span<const uint8_t> colourTable, uint32_t imageBytes);

}  // namespace zelkor::formats
