// The video port's pre-scaling and cropping per chip family, field rate
// group and window size, the colour keys and the rectangle arithmetic.

#include <gtest/gtest.h>

#include "vorrak/livevideo/placement.h"

namespace zelkor::vorrak {
namespace {

namespace dd = platform::display;
using platform::DisplayRect;
using platform::PixelFormat;

struct Row {
    int busMethod;
    bool fifty;
    uint32_t H;
    uint32_t F;
    uint32_t CT, SB, PH;
    bool scale, interleave;
};

// k = ceil(11 H / 240) for families 10 and 30, ceil(2 H / 240) for 20 and 40.
const Row kRows[] = {
    // BusMethod 30
    {30, false, 240, 251, 12, 251, 251, true, false},  // k = 11
    {30, false, 100, 251, 6, 105, 105, true, false},   // k = 5
    {30, false, 241, 251, 12, 251, 251, false, false},
    {30, false, 480, 251, 12, 251, 251, false, false},  // no interleave on 30
    {30, true, 288, 288, 1, 288, 288, true, false},
    {30, true, 289, 288, 1, 288, 288, false, false},
    // BusMethod 10
    {10, false, 240, 251, 12, 251, 251, true, false},
    {10, false, 1, 251, 2, 2, 2, true, false},  // k = 1
    {10, false, 479, 251, 12, 251, 251, false, false},
    {10, false, 480, 251, 23, 502, 251, false, true},
    {10, true, 200, 288, 1, 200, 200, true, false},
    {10, true, 576, 288, 1, 288, 288, false, false},
    // BusMethod 20 and 40
    {20, false, 240, 242, 2, 242, 242, true, false},  // k = 2
    {20, false, 120, 242, 1, 121, 121, true, false},  // k = 1
    {20, false, 300, 242, 2, 242, 242, false, false},
    {20, false, 480, 242, 4, 484, 242, false, true},
    {20, false, 700, 242, 4, 484, 242, false, true},
    {40, false, 240, 242, 2, 242, 242, true, false},
    {40, false, 480, 242, 4, 484, 242, false, true},
    {40, true, 288, 288, 1, 288, 288, true, false},
    {20, true, 400, 288, 1, 288, 288, false, false},
};

TEST(PortPlacement, VerticalValuesByFamilyGroupAndHeight) {
    for (const Row& r : kRows) {
        SCOPED_TRACE(testing::Message() << "BusMethod " << r.busMethod << (r.fifty ? " 50" : " 60")
                                        << " Hz, H " << r.H);
        // At attempt 0 family 30 takes the prescale flag from the table alone.
        const PortPlacement p = ComputePortPlacement(r.busMethod, r.fifty, 352, r.H, r.F, 0, 0);
        ASSERT_TRUE(p.ok);
        EXPECT_EQ(p.CT, r.CT);
        EXPECT_EQ(p.SB, r.SB);
        EXPECT_EQ(p.PH, r.PH);
        EXPECT_EQ((p.flags & dd::PortInterleave) != 0, r.interleave);
        EXPECT_NE(p.flags & dd::PortConvert, 0u);
        if (r.busMethod == 30) {
            EXPECT_EQ((p.flags & dd::PortPrescale) != 0, r.scale);
        } else {
            EXPECT_NE(p.flags & dd::PortPrescale, 0u) << "always prescaled";
        }
    }
}

TEST(PortPlacement, PrescaleWidthFollowsTheWindowExceptOnFamily30) {
    const std::pair<uint32_t, uint32_t> widths[] = {{1024, 720}, {704, 720}, {703, 360}, {352, 360},
                                                    {351, 180},  {176, 180}, {175, 90},  {88, 90},
                                                    {87, 45},    {44, 45},   {43, 45},   {1, 45}};
    for (int family : {10, 20, 40}) {
        for (const auto& [W, PW] : widths) {
            EXPECT_EQ(ComputePortPlacement(family, false, W, 240, 242, 0, 2).PW, PW)
                << "family " << family << " W " << W;
        }
    }
    // 30 starts at the full width and halves it on each further attempt.
    const uint32_t halving[] = {720, 360, 180, 90, 45};
    for (uint32_t attempt = 0; attempt < 5; ++attempt) {
        const PortPlacement p = ComputePortPlacement(30, false, 352, 300, 251, attempt, 2);
        EXPECT_EQ(p.PW, halving[attempt]);
        EXPECT_EQ((p.flags & dd::PortPrescale) != 0, attempt != 0);
    }
}

TEST(PortPlacement, CropLeftIsEightPixelsPer720RoundedUp) {
    EXPECT_EQ(ComputePortPlacement(20, false, 720, 240, 242, 0, 0).CL, 8u);
    EXPECT_EQ(ComputePortPlacement(20, false, 352, 240, 242, 0, 0).CL, 4u);
    EXPECT_EQ(ComputePortPlacement(20, false, 100, 240, 242, 0, 0).CL, 2u);
    EXPECT_EQ(ComputePortPlacement(30, true, 720, 240, 288, 3, 0).CL, 8u);
}

TEST(PortPlacement, AutoFlipNeedsABackBufferAndNeverOnFamily40) {
    for (int family : {10, 20, 30}) {
        EXPECT_NE(ComputePortPlacement(family, false, 352, 240, 242, 0, 2).flags & dd::PortAutoFlip,
                  0u);
        EXPECT_EQ(ComputePortPlacement(family, false, 352, 240, 242, 0, 0).flags & dd::PortAutoFlip,
                  0u);
    }
    EXPECT_EQ(ComputePortPlacement(40, false, 352, 240, 242, 0, 2).flags & dd::PortAutoFlip, 0u);
}

TEST(PortPlacement, UnknownFamilyIsNotProgrammed) {
    EXPECT_FALSE(ComputePortPlacement(0, false, 352, 240, 242, 0, 2).ok);
    EXPECT_FALSE(ComputePortPlacement(25, true, 352, 240, 288, 0, 2).ok);
}

TEST(ColorKey, ByDesktopPixelFormat) {
    EXPECT_EQ(ColorKeyFor({dd::PixelRgb | dd::PixelPaletteIndexed8, 0, 8, 0, 0, 0}), 0xFDu);
    EXPECT_EQ(ColorKeyFor({dd::PixelRgb, 0, 16, 0xF800, 0x07E0, 0x001F}), 0xF81Fu);
    EXPECT_EQ(ColorKeyFor({dd::PixelRgb, 0, 16, 0x7C00, 0x03E0, 0x001F}), 0x7C1Fu);
    EXPECT_EQ(ColorKeyFor({dd::PixelRgb, 0, 16, 0x0F00, 0x00F0, 0x000F}), 0u);
    EXPECT_EQ(ColorKeyFor({dd::PixelRgb, 0, 24, 0xFF0000, 0xFF00, 0xFF}), 0xFF00FFu);
    EXPECT_EQ(ColorKeyFor({dd::PixelRgb, 0, 32, 0xFF0000, 0xFF00, 0xFF}), 0xFF00FFu);
    EXPECT_EQ(ColorKeyFor({dd::PixelRgb, 0, 4, 0, 0, 0}), 0u);
    EXPECT_EQ(ColorKeyFor({dd::PixelFourCC, dd::Uyvy, 16, 0, 0, 0}), 0u);
}

TEST(OverlayRects, SourceScalesTheDestinationIntoTheBaseRectangle) {
    const DisplayRect client{100, 50, 452, 290};  // 352 x 240
    const DisplayRect base{4, 2, 356, 242};       // PW 360, CL 4, CT 2, SB 242
    EXPECT_EQ(SourceForDestination(client, client, base), base);
    // The right half of the window shows the right half of the picture.
    EXPECT_EQ(SourceForDestination({276, 50, 452, 290}, client, base),
              (DisplayRect{180, 2, 356, 242}));
}

TEST(OverlayRects, AlignmentRoundsTheLeftUpAndTheWidthDown) {
    DisplayRect r{13, 0, 300, 10};
    AlignRect(r, 8, 0);
    EXPECT_EQ(r, (DisplayRect{16, 0, 300, 10}));
    AlignRect(r, 0, 32);
    EXPECT_EQ(r, (DisplayRect{16, 0, 272, 10}));
    DisplayRect negative{-13, 0, 20, 1};
    AlignRect(negative, 8, 0);
    EXPECT_EQ(negative.left, -8);
    DisplayRect narrow{9, 0, 12, 1};
    AlignRect(narrow, 16, 4);
    EXPECT_EQ(narrow.width(), 0) << "rounding past the right edge leaves nothing";
}

}  // namespace
}  // namespace zelkor::vorrak
