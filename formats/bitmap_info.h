#pragma once
// The bitmap information header: the 40 bytes that give a picture's size and
// pixel layout in bitmap files, in an AVI stream's format and in the video
// formats of a capture window. A capture codec's form of it is 48 bytes: two
// fields of the codec follow the 40, a mode value and a tag.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zelkor::formats {

constexpr size_t BitmapInfoHeaderSize = 40;
constexpr size_t BitmapCodecHeaderSize = 48;

// Where the fields lie, as byte offsets into the header (all little-endian).
namespace bitmap_field {
constexpr size_t Size = 0;            // u32, the header's own length
constexpr size_t Width = 4;           // i32
constexpr size_t Height = 8;          // i32, positive: rows bottom-up
constexpr size_t Planes = 12;         // u16
constexpr size_t BitCount = 14;       // u16
constexpr size_t Compression = 16;    // u32
constexpr size_t SizeImage = 20;      // u32
constexpr size_t XPelsPerMeter = 24;  // i32
constexpr size_t YPelsPerMeter = 28;  // i32
constexpr size_t ClrUsed = 32;        // u32
constexpr size_t ClrImportant = 36;   // u32
constexpr size_t CodecMode = 40;      // u32, codec form only
constexpr size_t CodecTag = 44;       // u32, codec form only
}  // namespace bitmap_field

struct BitmapInfoHeader {
    uint32_t size = BitmapInfoHeaderSize;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 1;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
    uint32_t codecMode = 0;  // codec form only
    uint32_t codecTag = 0;   // codec form only

    bool operator==(const BitmapInfoHeader&) const = default;
};

// The codec form (48 bytes) when `h.size` is 48 or more, else the 40 bytes;
// the size field says how many were written, whatever `h.size` held.
std::vector<uint8_t> encodeBitmapInfoHeader(const BitmapInfoHeader& h);

// The fields as stored, whatever the size field says. The codec fields are
// read when the size field is 48 or more and `bytes` holds them, else they
// are 0. Nothing when `bytes` is shorter than 40.
std::optional<BitmapInfoHeader> readBitmapInfoHeader(std::span<const uint8_t> bytes);

// As readBitmapInfoHeader, and nothing also when the size field is below 40
// or claims more than `bytes` holds: for a header whose size says where the
// next part of a file or format starts.
std::optional<BitmapInfoHeader> decodeBitmapInfoHeader(std::span<const uint8_t> bytes);

}  // namespace zelkor::formats
