#include "vorrak/guard/event_journal.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/history_file.h"
#include "tests/support/temp_dir.h"
#include "vorrak/guard/event_history.h"

namespace zelkor::vorrak {
namespace {

std::vector<std::string> bitmapsOf(const std::vector<JournalEvent>& events) {
    std::vector<std::string> paths;
    for (const auto& e : events) {
        paths.push_back(e.bitmapPath);
    }
    return paths;
}

// Only whole, well-formed records count; a done record ends its event and
// an event raised again counts once.
TEST(EventJournal, PendingEventsAreTheWholeRaisedRecordsNotDone) {
    const std::string text =
        "raised 1 7 /a b/e1 2000/1/5 Detect Time:9:3:7\r\n"
        "raised 2 3 /e2 d\r\n"
        "raised 3 3 /e3 d\r\n"
        "done 3 /e2\r\n"
        "raised 4 3 /e3 again\r\n"
        "clip 3 /e3 7 /e3.avi\r\n"
        "clip 3 /e3 7 /e3.avi trailing\r\n"  // text after the clip path
        "clip 3 /e9 7 /e9.avi\r\n"           // no such event pending
        "raised 5 9 /e5 d\r\n"               // the length runs past the record
        "raised 6 3 /e6\r\n"                 // no description field
        "raised 7 3 /e7 [d]\r\n"             // a bracket would break the history line
        "raised 8 0  d\r\n"                  // no path
        "raised x 3 /e9 d\r\n"               // no number
        "raised 10 03/e10 d\r\n"             // no blank after the length
        "done 7 /a b/e1 trailing\r\n"        // text after the path
        "raised 11 4 /e11 cut off";          // a crash before the line end
    const auto pending = PendingJournalEvents(text);
    ASSERT_EQ(bitmapsOf(pending), (std::vector<std::string>{"/a b/e1", "/e3"}));
    EXPECT_EQ(pending[0].number, 1u);
    EXPECT_EQ(pending[0].description, "2000/1/5 Detect Time:9:3:7");
    EXPECT_EQ(pending[1].number, 4u);
    EXPECT_EQ(pending[1].description, "again");
    EXPECT_EQ(pending[0].clipPath, "");
    EXPECT_EQ(pending[1].clipPath, "/e3.avi");
    EXPECT_TRUE(PendingJournalEvents("").empty());
    EXPECT_TRUE(PendingJournalEvents("raised 1 3 /e1 d\n").empty()) << "LF alone ends no record";
}

// A start finds the events an earlier run raised and never wrote: each with
// its bitmap on disk and no line yet gets one, with the clip it began when
// that holds anything; a second start adds nothing.
TEST(EventJournal, AStartWritesTheLinesOfPendingEventsOnce) {
    testing::TempDir dir;
    const std::string history = dir.file("History.Log");
    const std::string journal = dir.file(std::string(kEventJournalName));
    const std::string lost = dir.write("error1.bmp", "BM");
    const std::string written = dir.write("error2.bmp", "BM");
    const std::string taken = dir.write("error3.bmp", "BM");
    std::string error;
    for (const auto& [n, path] :
         {std::pair{1u, lost}, {2u, written}, {3u, taken}, {4u, dir.file("error4.bmp")}}) {
        ASSERT_TRUE(
            JournalEventRaised(journal, {n, path, "2000/1/5 Detect Time:9:3:7", {}}, &error))
            << error;
    }
    const std::string clip = dir.write("error1.avi", "RIFF");
    ASSERT_TRUE(JournalEventClip(journal, lost, clip, &error)) << error;
    ASSERT_TRUE(JournalEventClip(journal, written, dir.write("error2.avi", ""), &error)) << error;
    const std::string takenLine = "[3] [x] [" + taken + "] []";
    ASSERT_TRUE(platform::AppendHistoryLine(history, takenLine, &error)) << error;
    ASSERT_TRUE(platform::TakeOverHistoryFile(history, &error)) << error;
    const std::string writtenLine = "[2] [x] [" + written + "] []";
    ASSERT_TRUE(platform::AppendHistoryLine(history, writtenLine, &error)) << error;

    for (int start = 0; start < 2; ++start) {
        HistoryLog log;
        ASSERT_TRUE(OpenHistoryLog(log, history));
        EXPECT_EQ(testing::readText(history),
                  writtenLine + "\r\n[1] [2000/1/5 Detect Time:9:3:7 no release time recorded] [" +
                      lost + "] [" + clip + "]\r\n");
        EXPECT_FALSE(std::filesystem::exists(journal)) << "nothing pending is kept";
    }
}

}  // namespace
}  // namespace zelkor::vorrak
