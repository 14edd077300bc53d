// Little-endian fields: the byte order itself, and the bounds every access
// keeps however damaged the offset it is given.

#include "formats/byte_order.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace zelkor::formats {
namespace {

TEST(ByteOrder, StoresTheLowByteFirst) {
    std::vector<uint8_t> b(10, 0xEE);
    ASSERT_TRUE(putLe32(b, 1, 0x12345678));
    ASSERT_TRUE(putLe16(b, 5, 0xBEEF));
    ASSERT_TRUE(putLeI32(b, 6, -2));
    EXPECT_EQ(b,
              (std::vector<uint8_t>{0xEE, 0x78, 0x56, 0x34, 0x12, 0xEF, 0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(getLe32(b, 1), 0x12345678u);
    EXPECT_EQ(getLe16(b, 5), 0xFEEFu);  // its high byte was overwritten by the i32
    EXPECT_EQ(getLeI32(b, 6), -2);
    EXPECT_EQ(getLe32(b, 6), 0xFFFFFFFEu);

    std::vector<uint8_t> appended;
    appendLe16(appended, 0x0102);
    appendLe32(appended, 0x03040506);
    appendLeI32(appended, INT32_MIN);
    EXPECT_EQ(appended, (std::vector<uint8_t>{2, 1, 6, 5, 4, 3, 0, 0, 0, 0x80}));

    const uint8_t riff[] = {'R', 'I', 'F', 'F'};
    EXPECT_EQ(fourcc("RIFF"), getLe32(riff, 0));
}

TEST(ByteOrder, FieldsOutsideTheBufferAreRefusedNotRead) {
    const std::vector<uint8_t> source{1, 2, 3, 4, 5, 6};
    // The buffer is a view into a larger block, so a read past its end would
    // find non-zero bytes rather than fault.
    const std::span<const uint8_t> b(source.data(), 5);
    EXPECT_EQ(getLe32(b, 1), 0x05040302u);
    EXPECT_EQ(getLe32(b, 2), 0u);
    EXPECT_EQ(getLe16(b, 3), 0x0504u);
    EXPECT_EQ(getLe16(b, 4), 0u);
    EXPECT_EQ(getLe16(b, 5), 0u);
    EXPECT_EQ(getLeI32(b, 5), 0);
    // Offsets and counts so large that adding them would wrap.
    EXPECT_EQ(getLe32(b, UINT64_MAX), 0u);
    EXPECT_EQ(getLe32(b, UINT64_MAX - 2), 0u);
    EXPECT_TRUE(fits(b, 5, 0));
    EXPECT_FALSE(fits(b, 6, 0));
    EXPECT_FALSE(fits(b, 1, UINT64_MAX));
    EXPECT_FALSE(fits(b, UINT64_MAX, 1));
    EXPECT_FALSE(fits({}, 0, 1));

    std::vector<uint8_t> target(source);
    const std::span<uint8_t> window(target.data(), 5);
    EXPECT_FALSE(putLe32(window, 2, 0xAAAAAAAA));
    EXPECT_FALSE(putLe16(window, 4, 0xAAAA));
    EXPECT_FALSE(putLeI32(window, UINT64_MAX - 1, -1));
    EXPECT_EQ(target, source);  // nothing written, not even in part
    EXPECT_TRUE(putLe16(window, 3, 0xAAAA));
    EXPECT_EQ(target, (std::vector<uint8_t>{1, 2, 3, 0xAA, 0xAA, 6}));
}

}  // namespace
}  // namespace zelkor::formats
