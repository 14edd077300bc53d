// The bitmap information header in its two forms, and the head of a bitmap
// file built around it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "formats/bitmap_info.h"
#include "formats/bmp_file.h"
#include "formats/byte_order.h"

namespace zelkor::formats {
namespace {

// A header with a different value in every field.
BitmapInfoHeader everyField(uint32_t size) {
    return {.size = size,
            .width = 352,
            .height = -288,
            .planes = 3,
            .bitCount = 24,
            .compression = fourcc("UYVY"),
            .sizeImage = 101376,
            .xPelsPerMeter = -7,
            .yPelsPerMeter = 2835,
            .clrUsed = 256,
            .clrImportant = 16,
            .codecMode = 10248,
            .codecTag = fourcc("VP51")};
}

TEST(BitmapInfoHeader, EncodesTheFortyByteLayout) {
    BitmapInfoHeader h = everyField(40);
    h.codecMode = h.codecTag = 0;  // not in this form
    const std::vector<uint8_t> expected{40,   0,    0, 0, 0x60, 1,    0,    0,    0xE0, 0xFE,
                                        0xFF, 0xFF, 3, 0, 24,   0,    'U',  'Y',  'V',  'Y',
                                        0,    0x8C, 1, 0, 0xF9, 0xFF, 0xFF, 0xFF, 0x13, 0x0B,
                                        0,    0,    0, 1, 0,    0,    16,   0,    0,    0};
    const std::vector<uint8_t> bytes = encodeBitmapInfoHeader(h);
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(decodeBitmapInfoHeader(bytes), h);
}

TEST(BitmapInfoHeader, CodecFormCarriesModeAndTag) {
    const std::vector<uint8_t> bytes = encodeBitmapInfoHeader(everyField(48));
    ASSERT_EQ(bytes.size(), BitmapCodecHeaderSize);
    EXPECT_EQ(getLe32(bytes, bitmap_field::CodecMode), 10248u);
    EXPECT_EQ(decodeBitmapInfoHeader(bytes), everyField(48));

    // The size field always tells what was written.
    EXPECT_EQ(encodeBitmapInfoHeader(everyField(124)), bytes);
    const std::vector<uint8_t> plain = encodeBitmapInfoHeader(everyField(0));
    ASSERT_EQ(plain.size(), BitmapInfoHeaderSize);
    EXPECT_EQ(getLe32(plain, bitmap_field::Size), 40u);
    EXPECT_EQ(decodeBitmapInfoHeader(plain)->codecMode, 0u);
}

TEST(BitmapInfoHeader, RefusesHeadersShorterThanTheirBytesOrTheirSizeField) {
    std::vector<uint8_t> bytes = encodeBitmapInfoHeader(everyField(48));
    for (size_t n = 0; n < BitmapInfoHeaderSize; ++n) {
        const std::span<const uint8_t> cut(bytes.data(), n);
        EXPECT_FALSE(readBitmapInfoHeader(cut)) << n;
        EXPECT_FALSE(decodeBitmapInfoHeader(cut)) << n;
    }
    // A codec form cut inside its codec fields: the fields read as far as
    // they go, but the header does not decode.
    const std::span<const uint8_t> partCodec(bytes.data(), 44);
    EXPECT_FALSE(decodeBitmapInfoHeader(partCodec));
    const auto read = readBitmapInfoHeader(partCodec);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->codecMode, 10248u);
    EXPECT_EQ(read->codecTag, 0u);

    for (const uint32_t size : {0u, 12u, 39u, 49u, 0xFFFFFFFFu}) {
        ASSERT_TRUE(putLe32(bytes, bitmap_field::Size, size));
        EXPECT_FALSE(decodeBitmapInfoHeader(bytes)) << size;
        ASSERT_TRUE(readBitmapInfoHeader(bytes)) << size;
        EXPECT_EQ(readBitmapInfoHeader(bytes)->width, 352) << size;
    }
    // A longer header version decodes when all of it is there; what lies
    // after the first 40 bytes is the codec fields' place.
    bytes.resize(124);
    ASSERT_TRUE(putLe32(bytes, bitmap_field::Size, 124));
    const auto longer = decodeBitmapInfoHeader(bytes);
    ASSERT_TRUE(longer);
    EXPECT_EQ(longer->size, 124u);
    EXPECT_EQ(longer->codecTag, fourcc("VP51"));
    EXPECT_FALSE(decodeBitmapInfoHeader(std::span<const uint8_t>(bytes.data(), 123)));
}

TEST(BmpFile, HeadCountsHeaderTableAndRows) {
    const BitmapInfoHeader info{.width = 3, .height = 2, .bitCount = 8, .sizeImage = 8};
    const std::vector<uint8_t> table{0, 0, 0, 0, 9, 9, 9, 0};
    const std::vector<uint8_t> head = encodeBmpHead(info, table, 8);
    ASSERT_EQ(head.size(), 14u + 40u + 8u);
    const std::vector<uint8_t> fileHeader(head.begin(), head.begin() + 14);
    EXPECT_EQ(fileHeader, (std::vector<uint8_t>{'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0}));
    const std::vector<uint8_t> infoBytes = encodeBitmapInfoHeader(info);
    EXPECT_TRUE(std::equal(infoBytes.begin(), infoBytes.end(), head.begin() + 14));
    EXPECT_TRUE(std::equal(table.begin(), table.end(), head.begin() + 54));

    const auto decoded = decodeBmpFileHeader(head);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->fileSize, 70u);
    EXPECT_EQ(decoded->pixelOffset, 62u);
}

TEST(BmpFile, FileHeaderNeedsFourteenBytesStartingWithBM) {
    std::vector<uint8_t> head = encodeBmpHead({.width = 1, .height = 1, .bitCount = 24}, {}, 4);
    EXPECT_FALSE(decodeBmpFileHeader(std::span<const uint8_t>(head.data(), 13)));
    EXPECT_TRUE(decodeBmpFileHeader(std::span<const uint8_t>(head.data(), 14)));
    head[1] = 'A';
    EXPECT_FALSE(decodeBmpFileHeader(head));
}

TEST(BmpFile, RowsArePaddedToFourBytesWithoutWrapping) {
    EXPECT_EQ(bmpRowBytes(1, 1), 4u);
    EXPECT_EQ(bmpRowBytes(33, 1), 8u);
    EXPECT_EQ(bmpRowBytes(3, 24), 12u);
    EXPECT_EQ(bmpRowBytes(5, 8), 8u);
    EXPECT_EQ(bmpRowBytes(352, 16), 704u);
    EXPECT_EQ(bmpRowBytes(0, 32), 0u);
    EXPECT_EQ(bmpRowBytes(0xFFFFFFFF, 0xFFFF), (uint64_t{0xFFFFFFFF} * 0xFFFF + 31) / 32 * 4);
}

}  // namespace
}  // namespace zelkor::formats
