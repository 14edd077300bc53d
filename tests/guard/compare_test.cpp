#include "vorrak/detection/compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "tests/guard/compare_reference.h"

namespace zelkor::vorrak {
namespace {

using Frame = std::vector<uint8_t>;

constexpr uint32_t kWidth = 352;

Frame blankFrame(uint32_t height, uint8_t value = 100) {
    return Frame(kWidth * height, value);
}

// Sets `count` pixels of block (c, r), rows from the bottom, to `value`.
void paintBlock(Frame& f, uint32_t c, uint32_t r, uint8_t value, uint32_t count = 256) {
    for (uint32_t i = 0; i < count; ++i) {
        f[(16 * r + i / 16) * kWidth + 16 * c + i % 16] = value;
    }
}

CompareContext guardFrames(uint32_t height) {
    return {.tracing = false,
            .lastWidth = static_cast<int32_t>(kWidth),
            .lastHeight = static_cast<int32_t>(height),
            .frameWidth = kWidth};
}

CompareState wholeFrame(uint32_t height, uint32_t sensibility) {
    CompareState s;
    BuildRegionMask(s, false, {}, kWidth, height);
    SetThresholds(s, sensibility);
    return s;
}

TEST(Thresholds, FollowTheSensitivity) {
    const uint32_t pixel[][2] = {{100, 5}, {95, 5}, {94, 10}, {60, 10}, {59, 15}};
    for (const auto& [sensibility, expected] : pixel) {
        EXPECT_EQ(PixelThreshold(sensibility), expected) << sensibility;
    }
    EXPECT_EQ(PixelCountThreshold(90), 60u);
    EXPECT_EQ(PixelCountThreshold(151), 0xFFFFFFFFu);
    // {active blocks, sensitivity, threshold}
    const uint32_t block[][3] = {{0, 90, 2},    {6, 90, 2},     {10, 0, 4},    {12, 90, 11},
                                 {11, 100, 1},  {396, 89, 15},  {396, 80, 24}, {396, 79, 42},
                                 {396, 60, 80}, {330, 50, 165}, {330, 0, 330}, {100, 33, 67}};
    for (const auto& [active, sensibility, expected] : block) {
        EXPECT_EQ(BlockCountThreshold(active, sensibility), expected)
            << active << " " << sensibility;
    }
}

TEST(BuildRegionMask, TakesBlocksWhoseCentreIsStrictlyInside) {
    CompareState s;
    // Centres at 7, 23, 39, 55 across and 7, 23, 39 down: 4 x 3 blocks.
    BuildRegionMask(s, true, {0, 0, 64, 48}, kWidth, 288);
    EXPECT_EQ(s.ActiveBlockCount, 12u);
    EXPECT_EQ(s.RegionMask[3][2], 1u);
    EXPECT_EQ(s.RegionMask[4][2], 0u);
    EXPECT_EQ(s.RegionMask[3][3], 0u);

    // On the centre is not inside.
    BuildRegionMask(s, true, {7, 7, 24, 24}, kWidth, 288);
    EXPECT_EQ(s.ActiveBlockCount, 1u);
    EXPECT_EQ(s.RegionMask[0][0], 0u);
    EXPECT_EQ(s.RegionMask[1][1], 1u);

    BuildRegionMask(s, true, {8, 8, 20, 20}, kWidth, 288);
    EXPECT_EQ(s.ActiveBlockCount, 0u);

    // A dragged region larger than the frame stays within the capture grid.
    BuildRegionMask(s, true, {-5, -5, 1000, 1000}, kWidth, 240);
    EXPECT_EQ(s.ActiveBlockCount, 22u * 15u);
}

TEST(BuildRegionMask, RegionOffWatchesEveryBlock) {
    CompareState s;
    BuildRegionMask(s, true, {0, 0, 64, 48}, kWidth, 288);
    s.ChangedBlocks[21][17] = 1;
    BuildRegionMask(s, false, {0, 0, 64, 48}, kWidth, 240);
    EXPECT_EQ(s.ActiveBlockCount, 22u * 15u);
    for (uint32_t c = 0; c < kBlockColumns; ++c) {
        for (uint32_t r = 0; r < kBlockRows; ++r) {
            EXPECT_EQ(s.RegionMask[c][r], 1u);
            EXPECT_EQ(s.ChangedBlocks[c][r], 0u);
        }
    }
}

// One round of the agreement tests: random frames whose blocks sit around
// every threshold, a random region, odd column counts for the kernels that
// take blocks in pairs, and the pixel-by-pixel comparison's answer.
struct AgreementRound {
    Frame earlier;
    Frame newer;
    uint32_t threshold = 0;
    CompareContext context;
    CompareState state;  // as the comparison under test starts
    CompareState plain;  // as the pixel-by-pixel comparison left it
    uint32_t expected = 0;
};

AgreementRound agreementRound(std::mt19937& random, int round) {
    const uint32_t pixelThresholds[] = {0, 5, 10, 15, 30, 254, 255, 300};
    const uint32_t countThresholds[] = {0, 1, 60, 100, 150, 255, 256, 0xFFFFFFF0u};
    AgreementRound a;
    const uint32_t height = round % 2 ? 240 : 288;
    a.earlier.resize(kWidth * height);
    for (size_t i = 0; i < a.earlier.size(); i += 4) {
        const uint32_t bytes = random();  // four pixels a draw
        std::memcpy(&a.earlier[i], &bytes, std::min<size_t>(4, a.earlier.size() - i));
    }
    a.newer = a.earlier;
    const uint32_t t = pixelThresholds[random() % 8];
    for (uint32_t b = 0; b < 396; ++b) {
        const uint32_t c = b % 22, r = b / 22;
        if (16 * r + 16 > height) {
            break;
        }
        const uint32_t chance = random() % 257;
        const int spread = static_cast<int>(std::min(t, 255u)) + static_cast<int>(random() % 3) - 1;
        for (uint32_t i = 0; i < 256; ++i) {
            const uint32_t draw = random();
            if (draw % 256 < chance) {
                uint8_t& p = a.newer[(16 * r + i / 16) * kWidth + 16 * c + i % 16];
                const int moved = draw & 256 ? p + spread : p - spread;
                p = static_cast<uint8_t>(std::clamp(moved, 0, 255));
            }
        }
    }
    for (auto& column : a.state.RegionMask) {
        for (auto& flag : column) {
            flag = random() % 4 != 0;
        }
    }
    for (auto& column : a.state.ChangedBlocks) {
        column.fill(7);  // blocks outside the grid must stay untouched
    }
    a.state.PixelCountThreshold = countThresholds[random() % 8];
    a.state.BlockCountThreshold = random() % 40;
    a.threshold = t;
    a.plain = a.state;
    a.context = guardFrames(height);
    a.context.tracing = random() % 5 == 0;
    a.context.lastWidth = round % 3 == 0 ? 337 : 352;  // 21 or 22 block columns
    a.expected =
        testing::CompareFramesReference(a.earlier.data(), a.newer.data(), t, a.context, a.plain);
    return a;
}

// Runs `check` on the same 300 rounds every time, up to the first fatal
// failure.
template <typename Check>
void forEachAgreementRound(Check check) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 300 && !::testing::Test::HasFatalFailure(); ++round) {
        check(agreementRound(random, round), round);
    }
}

TEST(CompareFrames, AgreesWithThePlainComparison) {
    forEachAgreementRound([](AgreementRound a, int round) {
        ASSERT_EQ(CompareFrames(a.earlier, a.newer, a.threshold, a.context, a.state), a.expected)
            << round;
    });
}

// Each kernel in a test of its own, so that a run on a processor or a build
// without one reports that kernel as skipped instead of passing untried.
void expectAgreement(CompareKernel kernel, const char* name) {
    if (!CompareKernelAvailable(kernel)) {
        GTEST_SKIP() << "the " << name
                     << " kernel is not checked: this processor or build does not have it";
    }
    forEachAgreementRound([kernel](AgreementRound a, int round) {
        ASSERT_EQ(CompareFramesWith(kernel, a.earlier, a.newer, a.threshold, a.context, a.state),
                  a.expected)
            << round;
        ASSERT_EQ(a.state.ChangedBlocks, a.plain.ChangedBlocks) << round;
    });
}

TEST(CompareKernels, PortableAgreesWithThePlainComparison) {
    expectAgreement(CompareKernel::Portable, "portable");
}

TEST(CompareKernels, Sse2AgreesWithThePlainComparison) {
    expectAgreement(CompareKernel::Sse2, "SSE2");
}

TEST(CompareKernels, Avx2AgreesWithThePlainComparison) {
    expectAgreement(CompareKernel::Avx2, "AVX2");
}

#if defined(__x86_64__)
// The skips are for processors without the instructions only: every x86-64
// processor has SSE2, and one with AVX2 must run that kernel, or no run
// here would ever check it.
TEST(CompareKernels, AvailableWheneverTheProcessorHasThem) {
    EXPECT_TRUE(CompareKernelAvailable(CompareKernel::Sse2));
    EXPECT_EQ(CompareKernelAvailable(CompareKernel::Avx2), __builtin_cpu_supports("avx2") != 0);
}
#endif

TEST(CompareFrames, PixelAndBlockThresholdsAreExclusive) {
    CompareState s = wholeFrame(288, 90);  // T 10, more than 60 pixels, more than 11 blocks
    const Frame earlier = blankFrame(288);
    Frame newer = earlier;
    paintBlock(newer, 3, 4, 110);  // every pixel moved by exactly T
    EXPECT_EQ(CompareFrames(earlier, newer, 10, guardFrames(288), s), 0u);
    EXPECT_EQ(s.ChangedBlocks[3][4], 0u);
    paintBlock(newer, 3, 4, 89);  // T + 1
    CompareFrames(earlier, newer, 10, guardFrames(288), s);
    EXPECT_EQ(s.ChangedBlocks[3][4], 1u);

    newer = earlier;
    paintBlock(newer, 5, 6, 0, 60);
    CompareFrames(earlier, newer, 10, guardFrames(288), s);
    EXPECT_EQ(s.ChangedBlocks[5][6], 0u);
    paintBlock(newer, 5, 6, 0, 61);
    CompareFrames(earlier, newer, 10, guardFrames(288), s);
    EXPECT_EQ(s.ChangedBlocks[5][6], 1u);
}

TEST(CompareFrames, RegionOfTwelveBlocksAtDefaultSensitivity) {
    CompareState s;
    BuildRegionMask(s, true, {0, 0, 64, 48}, kWidth, 288);  // top-left 4 x 3 blocks
    SetThresholds(s, 90);
    ASSERT_EQ(s.BlockCountThreshold, 11u);
    const Frame earlier = blankFrame(288);
    Frame newer = earlier;
    // Everything outside the region changes and does not count.
    for (uint32_t c = 4; c < 22; ++c) {
        for (uint32_t r = 0; r < 18; ++r) {
            paintBlock(newer, c, r, 255);
        }
    }
    // The region's block rows from the top are bitmap rows 17, 16, 15.
    uint32_t painted = 0;
    for (uint32_t r = 17; r >= 15 && painted < 11; --r) {
        for (uint32_t c = 0; c < 4 && painted < 11; ++c, ++painted) {
            paintBlock(newer, c, r, 0);
        }
    }
    EXPECT_EQ(CompareFrames(earlier, newer, 10, guardFrames(288), s), 0u);
    paintBlock(newer, 3, 15, 0);
    EXPECT_EQ(CompareFrames(earlier, newer, 10, guardFrames(288), s), 1u);
    EXPECT_EQ(s.ChangedBlocks[3][15], 1u);
    EXPECT_EQ(s.ChangedBlocks[5][15], 0u) << "blocks outside the region are cleared";
}

// A 240-line frame has 15 block rows; the mask row of the picture's top
// row is the last of those, not of the 18-row grid.
TEST(CompareFrames, ShortFramesUseTheirOwnBlockRows) {
    CompareState s;
    BuildRegionMask(s, true, {0, 0, 352, 16 + 2}, kWidth, 240);  // the top block row
    SetThresholds(s, 90);
    for (auto& column : s.ChangedBlocks) {
        column.fill(7);
    }
    const Frame earlier = blankFrame(240);
    Frame bottomChange = earlier;
    for (uint32_t c = 0; c < 22; ++c) {
        paintBlock(bottomChange, c, 0, 0);
    }
    EXPECT_EQ(CompareFrames(earlier, bottomChange, 10, guardFrames(240), s), 0u);
    Frame topChange = earlier;
    for (uint32_t c = 0; c < 22; ++c) {
        paintBlock(topChange, c, 14, 0);
    }
    EXPECT_EQ(CompareFrames(earlier, topChange, 10, guardFrames(240), s), 1u);
    EXPECT_EQ(s.ChangedBlocks[0][14], 1u);
    EXPECT_EQ(s.ChangedBlocks[0][15], 7u) << "rows beyond the frame are not visited";
}

// Pixel data shorter than the grid of the last frame read (say a frame of
// another bit count) is compared only as far as it goes.
TEST(CompareFrames, NeverReadsPastThePixels) {
    CompareState s = wholeFrame(288, 90);
    const auto untouched = [&s] {
        for (auto& column : s.ChangedBlocks) {
            column.fill(7);
        }
    };
    const Frame earlier = blankFrame(288);
    const Frame shortNewer(kWidth * 100, 0);  // six whole block rows
    untouched();
    CompareFrames(earlier, shortNewer, 10, guardFrames(288), s);
    EXPECT_EQ(s.ChangedBlocks[0][5], 1u);
    EXPECT_EQ(s.ChangedBlocks[0][6], 7u);

    const Frame narrow(kWidth * 16 - 1, 0);  // the last block of the row is cut off
    untouched();
    CompareFrames(narrow, narrow, 10, guardFrames(288), s);
    EXPECT_EQ(s.ChangedBlocks[0][0], 7u);

    // A stride wider than the frame: only the first block row lies inside.
    const CompareContext wide{false, 352, 288, 4000};
    untouched();
    CompareFrames(earlier, earlier, 10, wide, s);
    EXPECT_EQ(s.ChangedBlocks[0][0], 0u);
    EXPECT_EQ(s.ChangedBlocks[0][1], 7u);
}

}  // namespace
}  // namespace zelkor::vorrak
