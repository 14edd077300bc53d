#include "vorrak/detection/guard_state.h"

#include <gtest/gtest.h>

namespace zelkor::vorrak {
namespace {

TEST(InitGuardFiles, BuildsPathsUpToTheLimit) {
    GuardFiles files;
    GuardState state;
    ASSERT_TRUE(InitGuardFiles("/var/lib/oculara", files, state));
    EXPECT_EQ(files.workFile0, "/var/lib/oculara/work0.bmp");
    EXPECT_EQ(files.workFile1, "/var/lib/oculara/work1.bmp");
    EXPECT_EQ(files.historyFile, "/var/lib/oculara/History.Log");

    // "/History.Log" is the longest name: 12 characters.
    const std::string fits(kGuardPathMax - 12, 'd');
    ASSERT_TRUE(InitGuardFiles(fits, files, state));
    EXPECT_EQ(files.historyFile.size(), kGuardPathMax);
    EXPECT_FALSE(InitGuardFiles(fits + "d", files, state));
    EXPECT_TRUE(files.workFile0.empty() && files.workFile1.empty() && files.historyFile.empty());
}

TEST(InitGuardFiles, ResetsTheBookkeeping) {
    GuardState state;
    state.EventNumber = 12;
    state.eventSlotIndex = 12;
    state.restartCounter = 3;
    state.manualSnapshotCount = 4;
    state.manualVideoCount = 5;
    state.recording = true;
    state.eventSlots[100] = {"desc", "bitmap", "video"};
    auto frame = std::make_shared<const FrameImage>();
    state.history = {frame, frame, frame};
    state.tracingReference = frame;
    state.lastFrame.valid = true;
    state.lastFrame.colourCount = 256;
    state.compare.ActiveBlockCount = 7;
    state.compare.RegionMask[21][17] = 0;
    state.compare.ChangedBlocks[21][17] = 1;

    GuardFiles files;
    InitGuardFiles("/tmp", files, state);
    EXPECT_EQ(state.EventNumber, 0u);
    EXPECT_EQ(state.eventSlotIndex, 0u);
    EXPECT_EQ(state.restartCounter, 0u);
    EXPECT_EQ(state.manualSnapshotCount, 0u);
    EXPECT_EQ(state.manualVideoCount, 0u);
    EXPECT_FALSE(state.recording);
    EXPECT_TRUE(state.eventSlots[100].description.empty());
    EXPECT_TRUE(state.eventSlots[100].videoPath.empty());
    EXPECT_EQ(frame.use_count(), 1) << "every frame reference is let go";
    EXPECT_FALSE(state.lastFrame.valid);
    EXPECT_EQ(state.lastFrame.colourCount, 0u);
    EXPECT_EQ(state.compare.ActiveBlockCount, 0u);
    EXPECT_EQ(state.compare.RegionMask[21][17], 1u);
    EXPECT_EQ(state.compare.ChangedBlocks[21][17], 0u);
}

// A long working directory and several appended texts must not run past
// the description's field: the text is cut where the field ends.
TEST(AppendEventText, CutsAtTheDescriptionField) {
    std::string description = "2004/2/3 Detect Time:1:2:3";
    AppendEventText(description, " Release Time:1:2:4 ");
    EXPECT_EQ(description, "2004/2/3 Detect Time:1:2:3 Release Time:1:2:4 ");

    AppendEventText(description, std::string(300, 'x'));
    EXPECT_EQ(description.size(), kEventDescriptionMax - 1);
    EXPECT_EQ(description.back(), 'x');
    AppendEventText(description, " more");
    EXPECT_EQ(description.size(), kEventDescriptionMax - 1);
    EXPECT_EQ(description.find("more"), std::string::npos);
}

}  // namespace
}  // namespace zelkor::vorrak
