#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <regex>
#include <thread>

#include "eventdb/event_database.h"
#include "tests/support/history_rows.h"
#include "tests/support/program_runner.h"
#include "tests/support/temp_dir.h"
#include "vorrak/guard/event_journal.h"

namespace zelkor::vorrak {
namespace {

// Lines of History.Log; `whole` tells whether the file ends with a line end.
std::vector<std::string> historyLines(const std::string& path, bool& whole) {
    const std::string text = testing::readText(path);
    whole = text.empty() || text.ends_with("\r\n");
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

// A guard process killed outright in mid-run: every event whose line was
// due is in History.Log, whole, and Histran stores them all.
TEST(GuardKill, EveryFinishedEventHasItsLineAfterSigkill) {
    for (int round = 0; round < 3; ++round) {
        testing::TempDir work;
        testing::TempDir runtime;
        testing::Program runner(
            std::string(std::getenv("ZELKOR_BUILD_DIR")) + "/tests/guard_runner",
            runtime.file("registry-unused.reg"), runtime.path(), runtime.file("runner.txt"),
            testing::Screen::Offscreen, {work.path()});
        const std::string history = work.path() + "/History.Log";
        bool whole = true;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (historyLines(history, whole).size() < size_t(5 + round * 7) &&
               std::chrono::steady_clock::now() < deadline && runner.running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_TRUE(runner.running()) << testing::readText(runtime.file("runner.txt"));
        runner.killHard();
        runner.wait();

        const auto lines = historyLines(history, whole);
        EXPECT_TRUE(whole) << "no torn line";
        ASSERT_GE(lines.size(), 5u);
        std::string folder;
        for (const auto& entry : std::filesystem::directory_iterator(work.path())) {
            if (entry.is_directory()) {
                folder = entry.path().string();
            }
        }
        size_t bitmaps = 0;
        while (std::filesystem::exists(folder + "/error" + std::to_string(bitmaps + 1) + ".bmp")) {
            ++bitmaps;
        }
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_TRUE(lines[i].starts_with("[" + std::to_string(i + 1) + "] ")) << lines[i];
        }
        // At most the event in progress has its bitmap without its line.
        EXPECT_GE(bitmaps, lines.size());
        EXPECT_LE(bitmaps, lines.size() + 1);

        const std::string registry = runtime.file("registry.reg");
        ASSERT_TRUE(testing::writeProductSettings(registry, work.path(), 1));
        std::string error;
        ASSERT_TRUE(eventdb::CreateEventDatabase(work.path() + "/Vrak.mdb", &error)) << error;
        testing::Program histran("Histran", registry, runtime.path(), runtime.file("histran.txt"));
        ASSERT_EQ(histran.wait(), 0) << testing::readText(runtime.file("histran.txt"));
        EXPECT_EQ(testing::countDistinctRows(work.path() + "/Vrak.mdb", "Desc, Bitmap"),
                  int64_t(lines.size()));
    }
}

std::string runnerPath() {
    return std::string(std::getenv("ZELKOR_BUILD_DIR")) + "/tests/guard_runner";
}

size_t eventBitmapsUnder(const std::string& folder) {
    const std::regex name("error\\d+\\.bmp");
    size_t n = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        n += std::regex_match(entry.path().filename().string(), name) ? 1 : 0;
    }
    return n;
}

// A start of Vorrak and its exit, then Histran; Histran's exit status.
int startExitAndStore(const testing::TempDir& work, const testing::TempDir& runtime) {
    constexpr std::chrono::seconds kLimit(10);
    testing::Program vorrak(runnerPath(), runtime.file("registry-unused.reg"), runtime.path(),
                            runtime.file("exit.txt"), testing::Screen::Offscreen,
                            {work.path(), "exit"});
    if (vorrak.waitAtMost(kLimit) != 0) {
        return -1;
    }
    testing::Program histran("Histran", runtime.file("registry.reg"), runtime.path(),
                             runtime.file("histran.txt"));
    return histran.waitAtMost(kLimit);
}

// Killed during a clip, during tracing or anywhere between, the guard
// leaves event bitmaps whose lines were not due yet; the next start brings
// each into History.Log once, and a start after that adds nothing.
TEST(GuardKill, EveryEventBitmapReachesTheDatabaseOnceAfterKillsAtRandomMoments) {
    std::mt19937 random(20261210);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        testing::TempDir work;
        testing::TempDir runtime;
        {
            testing::Program runner(runnerPath(), runtime.file("registry-unused.reg"),
                                    runtime.path(), runtime.file("runner.txt"),
                                    testing::Screen::Offscreen,
                                    {work.path(), round % 2 == 0 ? "clip" : "trace"});
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (eventBitmapsUnder(work.path()) == 0 &&
                   std::chrono::steady_clock::now() < deadline && runner.running()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            std::this_thread::sleep_for(
                std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 300)(random)));
            ASSERT_TRUE(runner.running()) << testing::readText(runtime.file("runner.txt"));
            runner.killHard();
            runner.wait();
        }
        const size_t bitmaps = eventBitmapsUnder(work.path());
        ASSERT_GE(bitmaps, 1u);

        ASSERT_TRUE(testing::writeProductSettings(runtime.file("registry.reg"), work.path(), 1));
        std::string error;
        const std::string db = work.path() + "/Vrak.mdb";
        ASSERT_TRUE(eventdb::CreateEventDatabase(db, &error)) << error;
        ASSERT_EQ(startExitAndStore(work, runtime), 0)
            << testing::readText(runtime.file("exit.txt"))
            << testing::readText(runtime.file("histran.txt"));
        EXPECT_EQ(testing::countDistinctRows(db, "Bitmap"), int64_t(bitmaps));
        EXPECT_FALSE(std::filesystem::exists(work.file(std::string(kEventJournalName))));
        if (round % 5 == 0) {
            ASSERT_EQ(startExitAndStore(work, runtime), 0);
            EXPECT_EQ(testing::countDistinctRows(db, "Bitmap"), int64_t(bitmaps));
        }
    }
}

}  // namespace
}  // namespace zelkor::vorrak
