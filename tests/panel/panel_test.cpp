// The control panel without its window: hit areas, presses, the state
// display's texts, the places of the panel and the splash, and the skin's
// bitmaps as files.

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "formats/bitmap_info.h"
#include "formats/bmp_file.h"
#include "vorrak/panel/panel.h"
#include "vorrak/panel/skin.h"

namespace zelkor::test {
namespace {

using namespace vorrak;

// A point inside each hit area, the areas in their order.
TEST(PanelHitAreas, EachButtonIsFoundInsideItsAreaAndNowhereElse) {
    const std::vector<std::pair<int, int>> inside{{41, 116}, {109, 133}, {120, 116}, {6, 32},
                                                  {31, 44},  {38, 32},   {10, 6}};
    const std::vector<int> buttons{
        panel_button::StartStop, panel_button::StartStop, panel_button::Setup, panel_button::Help,
        panel_button::Exit,      panel_button::Minimise,  panel_button::About};
    for (size_t i = 0; i < inside.size(); ++i) {
        const HitArea* hit = HitAreaAt(inside[i].first, inside[i].second);
        ASSERT_NE(hit, nullptr) << i;
        EXPECT_EQ(hit->button, buttons[i]) << i;
    }
    // Right and bottom edges lie outside, as window regions count them.
    EXPECT_EQ(HitAreaAt(110, 120), nullptr);
    EXPECT_EQ(HitAreaAt(50, 134), nullptr);
    EXPECT_EQ(HitAreaAt(16, 40), nullptr);
    EXPECT_EQ(HitAreaAt(41, 13), nullptr);
    EXPECT_EQ(HitAreaAt(300, 80), nullptr);
}

TEST(PanelPresses, SlidingOffCancelsEvenOntoAnotherButton) {
    PanelPress press;
    PressAt(press, 50, 120, 0, 0, kPanelWidth, kPanelHeight);
    const PanelMove off = MoveTo(press, 125, 120, 75, 0);
    EXPECT_TRUE(off.repaint);
    EXPECT_EQ(off.dx, 0);
    EXPECT_EQ(press.state, kNothingPressed);
    // Coming back does not revive it.
    EXPECT_FALSE(MoveTo(press, 50, 120, 0, 0).repaint);
    EXPECT_EQ(Release(press), std::nullopt);
}

TEST(PanelPresses, PressOutsideThePanelIsNotTaken) {
    PanelPress press;
    EXPECT_FALSE(PressAt(press, 360, 10, 0, 0, kPanelWidth, kPanelHeight));
    EXPECT_FALSE(PressAt(press, -1, 10, 0, 0, kPanelWidth, kPanelHeight));
    EXPECT_EQ(press.state, kNothingPressed);
}

TEST(PanelTexts, StateTextFollowsCaptureGuardAndTracing) {
    const platform::LocalTime t{2000, 5, 24, 3, 9, 48, 21, 0};
    PanelState s;
    s.CaptureState = 1;
    s.guardActive = true;
    EXPECT_EQ(PanelTextsOf(s, t).state, "StandBy");
    s.CaptureState = 2;
    EXPECT_EQ(PanelTextsOf(s, t).state, "Vorrak");
    s.guardActive = false;
    s.tracing = true;
    EXPECT_EQ(PanelTextsOf(s, t).state, "Traceing");
    s.tracing = false;
    EXPECT_EQ(PanelTextsOf(s, t).state, "StandBy");
}

TEST(PanelTexts, StandardInputClockAndSize) {
    const platform::LocalTime t{2000, 5, 24, 3, 9, 48, 21, 0};
    PanelState s;
    s.CaptureState = 1;
    s.VIDEOSTANDARD = 3;
    s.VIDEOCONNECTOR = 1001;
    s.FrameWidth = 352;
    s.FrameHeight = 288;
    PanelTexts texts = PanelTextsOf(s, t);
    EXPECT_EQ(texts.standard, "PAL-BGHI");
    EXPECT_EQ(texts.input, "S-Video");
    EXPECT_EQ(texts.clock, "2000/5/24 9:48:21");
    EXPECT_EQ(texts.size, "352 x 288");
    s.VIDEOSTANDARD = 7;
    s.VIDEOCONNECTOR = 1002;
    texts = PanelTextsOf(s, t);
    EXPECT_EQ(texts.standard, "SECAM");
    EXPECT_EQ(texts.input, "Composite");
    s.VIDEOSTANDARD = 9;
    s.VIDEOCONNECTOR = 1003;
    texts = PanelTextsOf(s, t);
    EXPECT_EQ(texts.standard, "");
    EXPECT_EQ(texts.input, "");
    // Neither is shown in a capture state other than 1 or 2.
    s.CaptureState = 0;
    s.VIDEOSTANDARD = 0;
    s.VIDEOCONNECTOR = 1002;
    texts = PanelTextsOf(s, t);
    EXPECT_EQ(texts.standard, "");
    EXPECT_EQ(texts.input, "");
}

TEST(PanelImages, LeftButtonShowsStopWhileGuardingOrTracing) {
    PanelState s;
    EXPECT_EQ(StartStopImage(s, false), skin::StartNormal);
    EXPECT_EQ(StartStopImage(s, true), skin::StartPressed);
    s.guardActive = true;
    EXPECT_EQ(StartStopImage(s, false), skin::StopNormal);
    EXPECT_EQ(StartStopImage(s, true), skin::StopPressed);
    s.guardActive = false;
    s.tracing = true;
    EXPECT_EQ(StartStopImage(s, false), skin::StopNormal);
    EXPECT_EQ(SetupImage(false), skin::SetupNormal);
    EXPECT_EQ(SetupImage(true), skin::SetupPressed);
}

TEST(PanelPlaces, PanelCentredUnderTheMainWindow) {
    // As wide as the panel: left edges equal.
    PanelPoint at = PanelPosition(100, 50, 460, 400);
    EXPECT_EQ(at.x, 100);
    EXPECT_EQ(at.y, 405);
    at = PanelPosition(100, 50, 600, 400);
    EXPECT_EQ(at.x, 170);
    // Narrower: the panel sticks out on both sides, rounding toward zero.
    at = PanelPosition(0, 0, 301, 10);
    EXPECT_EQ(at.x, -29);
}

TEST(PanelPlaces, SplashCentredOnTheScreen) {
    const PanelPoint at = SplashPosition(1024, 768);
    EXPECT_EQ(at.x, 272);
    EXPECT_EQ(at.y, 204);
}

// Every skin bitmap is an 8-bit file of its size with the one shared
// 256-colour table, and its rows fit in the file.
TEST(PanelSkin, BitmapsAreEightBitWithOneSharedColourTable) {
    std::set<std::vector<uint8_t>> tables;
    for (const SkinBitmapSize& want : kSkinBitmaps) {
        const std::span<const uint8_t> file = SkinBitmap(want.id);
        const auto head = formats::decodeBmpFileHeader(file);
        ASSERT_TRUE(head) << want.id;
        EXPECT_EQ(head->fileSize, file.size()) << want.id;
        const auto info = formats::readBitmapInfoHeader(file.subspan(formats::BmpFileHeaderSize));
        ASSERT_TRUE(info) << want.id;
        EXPECT_EQ(info->width, want.width) << want.id;
        EXPECT_EQ(info->height, want.height) << want.id;
        EXPECT_EQ(info->bitCount, 8) << want.id;
        EXPECT_EQ(info->clrUsed, 256u) << want.id;
        const size_t tableAt = formats::BmpFileHeaderSize + formats::BitmapInfoHeaderSize;
        ASSERT_EQ(head->pixelOffset, tableAt + 256 * 4) << want.id;
        EXPECT_EQ(file.size(),
                  head->pixelOffset + formats::bmpRowBytes(uint32_t(want.width), 8) * want.height)
            << want.id;
        tables.emplace(file.begin() + tableAt, file.begin() + head->pixelOffset);
    }
    EXPECT_EQ(tables.size(), 1u);
    EXPECT_TRUE(SkinBitmap(192).empty());
}

// The skin is not one flat colour: each picture uses a good part of the table.
TEST(PanelSkin, PicturesUseManyColours) {
    for (const SkinBitmapSize& want : kSkinBitmaps) {
        const std::span<const uint8_t> file = SkinBitmap(want.id);
        const auto head = formats::decodeBmpFileHeader(file);
        ASSERT_TRUE(head);
        const std::set<uint8_t> used(file.begin() + head->pixelOffset, file.end());
        EXPECT_GT(used.size(), 24u) << want.id;
    }
}

}  // namespace
}  // namespace zelkor::test
