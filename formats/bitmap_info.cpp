#include "formats/bitmap_info.h"

#include "formats/byte_order.h"

namespace zelkor::formats {

std::vector<uint8_t> encodeBitmapInfoHeader(const BitmapInfoHeader& h) {
    const bool codec = h.size >= BitmapCodecHeaderSize;
    std::vector<uint8_t> b;
    b.reserve(BitmapCodecHeaderSize);
    appendLe32(b, uint32_t(codec ? BitmapCodecHeaderSize : BitmapInfoHeaderSize));
    appendLeI32(b, h.width);
    appendLeI32(b, h.height);
    appendLe16(b, h.planes);
    appendLe16(b, h.bitCount);
    appendLe32(b, h.compression);
    appendLe32(b, h.sizeImage);
    appendLeI32(b, h.xPelsPerMeter);
    appendLeI32(b, h.yPelsPerMeter);
    appendLe32(b, h.clrUsed);
    appendLe32(b, h.clrImportant);
    if (codec) {
        appendLe32(b, h.codecMode);
        appendLe32(b, h.codecTag);
    }
    return b;
}

std::optional<BitmapInfoHeader> readBitmapInfoHeader(std::span<const uint8_t> bytes) {
    if (bytes.size() < BitmapInfoHeaderSize) {
        return std::nullopt;
    }
    namespace f = bitmap_field;
    BitmapInfoHeader h;
    h.size = getLe32(bytes, f::Size);
    h.width = getLeI32(bytes, f::Width);
    h.height = getLeI32(bytes, f::Height);
    h.planes = getLe16(bytes, f::Planes);
    h.bitCount = getLe16(bytes, f::BitCount);
    h.compression = getLe32(bytes, f::Compression);
    h.sizeImage = getLe32(bytes, f::SizeImage);
    h.xPelsPerMeter = getLeI32(bytes, f::XPelsPerMeter);
    h.yPelsPerMeter = getLeI32(bytes, f::YPelsPerMeter);
    h.clrUsed = getLe32(bytes, f::ClrUsed);
    h.clrImportant = getLe32(bytes, f::ClrImportant);
    // Beyond `bytes` the codec fields read as 0.
    if (h.size >= BitmapCodecHeaderSize) {
        h.codecMode = getLe32(bytes, f::CodecMode);
        h.codecTag = getLe32(bytes, f::CodecTag);
    }
    return h;
}

std::optional<BitmapInfoHeader> decodeBitmapInfoHeader(std::span<const uint8_t> bytes) {
    auto h = readBitmapInfoHeader(bytes);
    if (!h || h->size < BitmapInfoHeaderSize || h->size > bytes.size()) {
        return std::nullopt;
    }
    return h;
}

}  // namespace zelkor::formats
