#include "formats/bmp_file.h"

#include "formats/byte_order.h"

namespace zelkor::formats {

namespace {
constexpr size_t FileSizeAt = 2;
constexpr size_t PixelOffsetAt = 10;
}  // namespace

std::optional<BmpFileHeader> decodeBmpFileHeader(std::span<const uint8_t> bytes) {
    if (bytes.size() < BmpFileHeaderSize || getLe16(bytes, 0) != BmpFileType) {
        return std::nullopt;
    }
    return BmpFileHeader{getLe32(bytes, FileSizeAt), getLe32(bytes, PixelOffsetAt)};
}

std::vector<uint8_t> encodeBmpHead(const BitmapInfoHeader& info,
                                   std::span<const uint8_t> colourTable, uint32_t imageBytes) {
    const std::vector<uint8_t> header = encodeBitmapInfoHeader(info);
    const auto pixelOffset = uint32_t(BmpFileHeaderSize + header.size() + colourTable.size());
    std::vector<uint8_t> b;
    b.reserve(pixelOffset);
    appendLe16(b, BmpFileType);
    appendLe32(b, pixelOffset + imageBytes);
    appendLe32(b, 0);  // two reserved 16-bit fields
    appendLe32(b, pixelOffset);
    b.insert(b.end(), header.begin(), header.end());
    b.insert(b.end(), colourTable.begin(), colourTable.end());
    return b;
}

}  // namespace zelkor::formats
