#include <gtest/gtest.h>

#include "platform/fake/recording_canvas.h"
#include "vorrak/guard/tracing.h"

namespace zelkor::vorrak {
namespace {

// Changed blocks of a 352 x 240 frame (22 x 15 blocks, rows from the bottom).
struct Blocks {
    BlockGrid grid{};
    Blocks& set(int column, int row) {
        grid[size_t(column)][size_t(row)] = 1;
        return *this;
    }
};

int locate(const Blocks& b, TracingState& t) {
    return LocateObject(t, b.grid, 352, 240, 240);
}

TEST(LocateObject, IsolatedOrPairedBlocksAreNoObjectThreeInARowAre) {
    TracingState t;
    t.box = {1, 2, 3, 4};
    EXPECT_EQ(locate(Blocks().set(5, 5), t), 0);
    EXPECT_EQ(t.box.x2, 0) << "no object clears the box";
    EXPECT_EQ(locate(Blocks().set(5, 5).set(6, 5), t), 0);
    EXPECT_EQ(t.FilteredBlocks[5][5] + t.FilteredBlocks[6][5], 2u);

    ASSERT_EQ(locate(Blocks().set(5, 5).set(6, 5).set(7, 5), t), 1);
    EXPECT_EQ(t.box.x1, 16 * 5);
    EXPECT_EQ(t.box.x2, 17 * 7 - 1);
    EXPECT_EQ(t.box.y1, 240 - 16 * 5);
    EXPECT_EQ(t.box.y2, 240 - 17 * 5 - 1);
}

TEST(LocateObject, ACornerCountsWhenANeighbourChangedEvenIfItDidNot) {
    TracingState t;
    // Two changed blocks beside the bottom-left corner: with the corner
    // itself they make three filtered blocks.
    ASSERT_EQ(locate(Blocks().set(1, 0).set(0, 1), t), 1);
    EXPECT_EQ(t.FilteredBlocks[0][0], 1u);
    EXPECT_EQ(t.FilteredBlocks[1][0] + t.FilteredBlocks[0][1], 2u);
    // Away from the corners a block that did not change never counts.
    EXPECT_EQ(t.FilteredBlocks[1][1], 0u);
}

TEST(LocateObject, TheRightmostColumnReachesPastTheFrameAndIsDrawnClipped) {
    TracingState t;
    ASSERT_EQ(locate(Blocks().set(19, 3).set(20, 3).set(21, 3), t), 1);
    EXPECT_EQ(t.box.x2, 17 * 21 - 1);
    platform::RecordingCanvas canvas;
    DrawObjectBox(canvas, t.box.x1, t.box.y2, t.box.x2, t.box.y1, 352);
    int rightmost = 0;
    for (const auto& d : canvas.drawn) {
        rightmost = std::max({rightmost, d.rect.left, d.rect.right});
    }
    EXPECT_EQ(rightmost, 351);
}

TEST(DrawObjectBox, CornerStrokesAndACrossOrThePlainFrameOfASmallBox) {
    platform::RecordingCanvas canvas;
    DrawObjectBox(canvas, 100, 50, 200, 150, 352);  // L = 20
    ASSERT_EQ(canvas.drawn.size(), 10u);
    EXPECT_EQ(canvas.drawn[0].rect, (platform::CanvasRect{100, 50, 120, 50}));
    EXPECT_EQ(canvas.drawn[8].rect, (platform::CanvasRect{140, 100, 160, 100}));
    EXPECT_EQ(canvas.drawn[9].rect, (platform::CanvasRect{150, 90, 150, 110}));
    for (const auto& d : canvas.drawn) {
        EXPECT_EQ(d.colour, kRed);
        EXPECT_EQ(d.width, 2);
    }

    canvas.drawn.clear();
    DrawObjectBox(canvas, 100, 50, 105, 150, 352);  // L = 1: the frame
    ASSERT_EQ(canvas.drawn.size(), 4u);
    EXPECT_EQ(canvas.drawn[0].colour, kYellow);
    EXPECT_EQ(canvas.drawn[0].width, 2);
}

}  // namespace
}  // namespace zelkor::vorrak
