// The capture driver's frames: which byte of a decoder field becomes which
// sample, and the byte order of the bitmaps saved from them.

#include <gtest/gtest.h>

#include <vector>

#include "vcard/capture_frame.h"

namespace zelkor {
namespace {

namespace vf = platform::video_format;

// Samples of pixel pair `p` in row `r`, each kind in its own range.
uint8_t u(int p, int r) {
    return uint8_t(30 + (p + r) % 60);
}
uint8_t y0(int p, int r) {
    return uint8_t(16 + (p + 2 * r) % 100);
}
uint8_t v(int p, int r) {
    return uint8_t(180 + (p + 3 * r) % 60);
}
uint8_t y1(int p, int r) {
    return uint8_t(120 + (p + r) % 100);
}

vcard::VideoField uyvyField() {
    vcard::VideoField f;
    f.height = 240;
    f.uyvy.resize(size_t(vcard::VideoField::Width) * 240 * 2);
    for (int r = 0; r < 240; ++r) {
        for (int p = 0; p < vcard::VideoField::Width / 2; ++p) {
            uint8_t* at =
                f.uyvy.data() + (size_t(r) * vcard::VideoField::Width / 2 + size_t(p)) * 4;
            at[0] = u(p, r);
            at[1] = y0(p, r);
            at[2] = v(p, r);
            at[3] = y1(p, r);
        }
    }
    return f;
}

TEST(CaptureFrames, EachByteOfAUyvyFieldLandsInItsPlane) {
    const vcard::VideoField field = uyvyField();
    vcard::CaptureFrame full;
    vcard::frameFromField(field, 720, 240, full);
    for (int r = 0; r < 240; ++r) {
        for (int p = 0; p < 360; ++p) {
            const size_t pair = size_t(r) * 360 + size_t(p);
            ASSERT_EQ(full.u[pair], u(p, r)) << "pair " << p << " row " << r;
            ASSERT_EQ(full.y[2 * pair], y0(p, r)) << "pair " << p << " row " << r;
            ASSERT_EQ(full.v[pair], v(p, r)) << "pair " << p << " row " << r;
            ASSERT_EQ(full.y[2 * pair + 1], y1(p, r)) << "pair " << p << " row " << r;
        }
    }

    // 352 wide: column c of the frame shows field column c x 720 / 352, its
    // colour pair 2c x 720 / 352 / 2.
    vcard::CaptureFrame narrow;
    vcard::frameFromField(field, 352, 240, narrow);
    const int row = 7;
    const auto luma = [&](int x) { return narrow.y[size_t(row) * 352 + size_t(x)]; };
    EXPECT_EQ(luma(1), y0(1, row));      // field column 2
    EXPECT_EQ(luma(3), y0(3, row));      // 6
    EXPECT_EQ(luma(351), y1(358, row));  // 717
    const auto chroma = [&](const std::vector<uint8_t>& plane, int c) {
        return plane[size_t(row) * 176 + size_t(c)];
    };
    EXPECT_EQ(chroma(narrow.u, 1), u(2, row));
    EXPECT_EQ(chroma(narrow.v, 1), v(2, row));
    EXPECT_EQ(chroma(narrow.u, 175), u(357, row));
    EXPECT_EQ(chroma(narrow.v, 175), v(357, row));
}

TEST(CaptureFrames, BitmapsKeepTheirByteOrder) {
    // A red pair and a blue pair (studio-range colours), one row.
    vcard::CaptureFrame frame;
    frame.width = 4;
    frame.height = 1;
    frame.y = {81, 81, 41, 41};
    frame.u = {90, 240};
    frame.v = {240, 110};
    const auto pixels = [&](uint16_t bits, uint32_t compression, size_t colours) {
        const std::vector<uint8_t> file =
            vcard::dibFile(frame, {vf::FrameHeaderSize, 4, 1, bits, compression, 0, 0, 0});
        const size_t start = 14 + 40 + 4 * colours;
        return std::vector<uint8_t>(file.begin() + std::ptrdiff_t(start), file.end());
    };
    // 24 bits are blue, green, red.
    EXPECT_EQ(pixels(24, vf::Rgb, 0),
              (std::vector<uint8_t>{0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 0, 0}));
    // UYVY keeps the decoder's order.
    EXPECT_EQ(pixels(16, vf::Uyvy, 0), (std::vector<uint8_t>{90, 81, 240, 81, 240, 41, 110, 41}));
    EXPECT_EQ(pixels(8, vf::Rgb, 256), (std::vector<uint8_t>{81, 81, 41, 41}));
}

}  // namespace
}  // namespace zelkor
