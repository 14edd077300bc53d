#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fake/recording_ui.h"
#include "platform/fake/virtual_clock.h"
#include "tests/support/small_disk.h"
#include "tests/support/temp_dir.h"
#include "vorrak/guard/event_history.h"
#include "vorrak/guard/event_journal.h"

namespace zelkor::vorrak {
namespace {

// Two events that are not traced, then the end of the run: three lines in
// the format Histran reads, each ended with CR LF.
TEST(EventHistory, EventLinesThenTheEndOfWorkLine) {
    testing::TempDir dir;
    platform::VirtualClock clock({2000, 1, 5, 3, 9, 3, 7, 0});
    std::string folder;
    ASSERT_EQ(CreateEventFolder(folder, dir.path(), clock), 1);
    EXPECT_EQ(folder, dir.path() + "/2000.1.5_9.3.7");
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    HistoryLog log;
    ASSERT_TRUE(OpenHistoryLog(log, dir.path() + "/History.Log"));
    platform::RecordingUi ui;
    GuardState guard;
    std::string picture;
    for (int event = 1; event <= 2; ++event) {
        ++guard.EventNumber;
        FillEventSlot(guard, folder, clock, picture);
        WriteEventLine(log, guard, ui, 0);
        clock.advance(61000);
    }
    EXPECT_EQ(picture, folder + "/error2.bmp");
    WriteEndOfWork(log, guard, clock);
    EXPECT_EQ(testing::readText(log.path),
              "[1] [2000/1/5 Detect Time:9:3:7] [" + folder + "/error1.bmp] []\r\n" +
                  "[2] [2000/1/5 Detect Time:9:4:8] [" + folder + "/error2.bmp] []\r\n" +
                  "[3] [ . End of this work at 2000/1/5 9:5:9] [] []\r\n");
}

TEST(EventHistory, ARunWithoutEventsLeavesOnlyTheEndOfWorkLine) {
    testing::TempDir dir;
    platform::VirtualClock clock({2000, 1, 5, 3, 9, 3, 7, 0});
    HistoryLog log;
    ASSERT_TRUE(OpenHistoryLog(log, dir.path() + "/History.Log"));
    WriteEndOfWork(log, GuardState{}, clock);
    EXPECT_EQ(testing::readText(log.path), "[1] [ . End of this work at 2000/1/5 9:3:7] [] []\r\n");
}

// A folder of this second's name is another run's: the run takes a fresh
// one, and keeps its files in the working directory only when it can make
// none, never at the root of the file system.
TEST(EventHistory, EachRunMakesAFolderOfItsOwnOrUsesTheWorkingDirectory) {
    testing::TempDir dir;
    platform::VirtualClock clock({2000, 1, 5, 3, 9, 3, 7, 0});
    std::string folder;
    ASSERT_EQ(CreateEventFolder(folder, dir.path(), clock), 1);
    std::filesystem::create_symlink(dir.path(), dir.file("2000.1.5_9.3.7_2"));
    EXPECT_EQ(CreateEventFolder(folder, dir.path(), clock), 1) << "it exists already";
    EXPECT_EQ(folder, dir.path() + "/2000.1.5_9.3.7_3");
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    const std::string notAFolder = dir.write("plain", "");
    EXPECT_EQ(CreateEventFolder(folder, notAFolder, clock), 0);
    EXPECT_EQ(folder, notAFolder);
    GuardState guard;
    guard.EventNumber = 1;
    std::string picture;
    FillEventSlot(guard, folder, clock, picture);
    EXPECT_EQ(guard.eventSlots[1].bitmapPath, notAFolder + "/error1.bmp");
}

// Slot 1 again at event 101: the clip of event 1 is not event 101's.
TEST(EventHistory, AReusedSlotStartsWithoutAClip) {
    testing::TempDir dir;
    platform::VirtualClock clock;
    GuardState guard;
    guard.eventSlots[1].videoPath = dir.path() + "/error1.avi";
    guard.EventNumber = 101;
    std::string picture;
    FillEventSlot(guard, dir.path(), clock, picture);
    EXPECT_EQ(guard.eventSlotIndex, 1u);
    EXPECT_EQ(guard.eventSlots[1].videoPath, "");
}

TEST(EventHistory, NothingIsWrittenWhenTheHistoryIsNotOpen) {
    testing::TempDir dir;
    platform::VirtualClock clock;
    HistoryLog log;
    log.path = dir.path() + "/History.Log";
    GuardState guard;
    guard.EventNumber = 1;
    platform::RecordingUi ui;
    WriteEventLine(log, guard, ui, 0);
    WriteEndOfWork(log, guard, clock);
    EXPECT_FALSE(std::filesystem::exists(log.path));
}

void raiseEvent(HistoryLog& log, GuardState& guard, const std::string& folder,
                platform::Clock& clock, platform::Ui& ui, uint32_t processStyle) {
    ++guard.EventNumber;
    std::string picture;
    FillEventSlot(guard, folder, clock, picture);
    JournalEventName(log, guard, guard.eventSlots[guard.eventSlotIndex].bitmapPath, true);
    WriteEventLine(log, guard, ui, processStyle);
}

// On a full disk the lines wait in memory; the user hears of it once (a box
// only where someone follows the events), they are written in order as soon
// as there is room, and at exit the lines that never fitted are counted.
TEST(EventHistory, LinesThatDoNotFitWaitAndAreWrittenInOrderOnceThereIsRoom) {
    testing::SmallDisk disk;
    if (!disk.mounted()) {
        GTEST_SKIP() << "a small tmpfs cannot be mounted here (" << disk.error()
                     << "): run as root to test a full disk";
    }
    platform::VirtualClock clock({2000, 1, 5, 3, 9, 3, 7, 0});
    platform::RecordingUi ui;
    const std::string followed = disk.path() + "/followed";
    const std::string unattended = disk.path() + "/unattended";
    std::filesystem::create_directory(followed);
    std::filesystem::create_directory(unattended);

    HistoryLog log;
    ASSERT_TRUE(OpenHistoryLog(log, followed + "/History.Log"));
    GuardState guard;
    ASSERT_TRUE(disk.fill());
    ::testing::internal::CaptureStderr();
    for (int event = 1; event <= 3; ++event) {
        raiseEvent(log, guard, followed, clock, ui, 1);
    }
    const std::string told = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(testing::readText(log.path), "");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_TRUE(ui.boxes[0].text.starts_with(kHistoryWriteFailedMessage)) << ui.boxes[0].text;
    EXPECT_NE(told.find(kHistoryWriteFailedMessage), std::string::npos) << told;
    EXPECT_EQ(told.find(kHistoryWriteFailedMessage), told.rfind(kHistoryWriteFailedMessage));
    disk.free();
    raiseEvent(log, guard, followed, clock, ui, 1);
    const auto lines = testing::readLines(log.path);
    ASSERT_EQ(lines.size(), 4u);
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].starts_with("[" + std::to_string(i + 1) + "] ")) << lines[i];
    }
    EXPECT_EQ(ui.boxes.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(followed + "/" + std::string(kEventJournalName)))
        << "nothing is pending any more";

    HistoryLog other;
    ASSERT_TRUE(OpenHistoryLog(other, unattended + "/History.Log"));
    GuardState otherGuard;
    ASSERT_TRUE(disk.fill());
    ::testing::internal::CaptureStderr();
    raiseEvent(other, otherGuard, unattended, clock, ui, 0);
    WriteEndOfWork(other, otherGuard, clock);
    const std::string atExit = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(ui.boxes.size(), 1u) << "no box when nobody follows the events";
    EXPECT_NE(atExit.find(kHistoryWriteFailedMessage), std::string::npos) << atExit;
    EXPECT_NE(atExit.find("2 lines of the event history could not be written"), std::string::npos)
        << atExit;
}

TEST(EventSlotIndex, SlotsOneToAHundredInTurnNeverZero) {
    EXPECT_EQ(EventSlotIndex(1), 1u);
    EXPECT_EQ(EventSlotIndex(100), 100u);
    EXPECT_EQ(EventSlotIndex(101), 1u);
    EXPECT_EQ(EventSlotIndex(200), 100u);
}

}  // namespace
}  // namespace zelkor::vorrak
