#include <gtest/gtest.h>

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "eventdb/event_database.h"
#include "histran/histran.h"
#include "histran/translate.h"
#include "platform/history_file.h"
#include "tests/support/history_rows.h"
#include "tests/support/program_runner.h"
#include "tests/support/temp_dir.h"

namespace zelkor::histran {
namespace {

// Rows, or -2 when two rows have the same Desc (or the same Desc and Bitmap).
int64_t countRows(const std::string& db) {
    return testing::countDistinctRows(db, "Desc");
}
int64_t countEvents(const std::string& db) {
    return testing::countDistinctRows(db, "Desc, Bitmap");
}

std::string eventLines(int from, int to) {
    std::string text;
    for (int i = from; i < to; ++i) {
        const std::string n = std::to_string(i);
        text += "[" + n + "] [2004/2/3 Detect Time:1:2:3 #" + n + "] [/w/ev/error" + n + ".bmp] [" +
                (i % 3 == 0 ? "/w/ev/error" + n + ".avi" : "") + "]\r\n";
    }
    return text;
}

class HistranProgramTest : public ::testing::Test {
  protected:
    testing::TempDir work;
    testing::TempDir runtime;
    std::string registry = runtime.file("registry.reg");
    std::string db = work.file("Vrak.mdb");

    void SetUp() override {
        ASSERT_TRUE(testing::writeProductSettings(registry, work.path(), 1));
        std::string error;
        ASSERT_TRUE(eventdb::CreateEventDatabase(db, &error)) << error;
    }
    testing::Program start(testing::Screen screen = testing::Screen::Offscreen) {
        return testing::Program("Histran", registry, runtime.path(), runtime.file("stderr.txt"),
                                screen);
    }
    // Whether events wait in a history file, under its name or taken over.
    bool historyExists() {
        return FindFileIgnoringCase(work.path(), "history.log").has_value() ||
               !platform::TakenHistoryFiles(work.path()).empty();
    }
    std::string messages() { return testing::readText(runtime.file("stderr.txt")); }
};

// Started by hand from a terminal, a run says in one line on stdout what
// it did; stderr keeps only the boxes.
TEST_F(HistranProgramTest, SaysWhatItDidOrWhyItDidNothing) {
    const std::string out = runtime.file("stdout.txt");
    auto run = [&] {
        testing::Program histran(
            "/bin/sh", registry, runtime.path(), runtime.file("stderr.txt"),
            testing::Screen::Offscreen,
            {"-c", "exec \"$0\" > \"$1\"", testing::binDir() + "/Histran", out});
        EXPECT_EQ(histran.wait(), 0) << messages();
        EXPECT_EQ(messages(), "");
        return testing::readText(out);
    };
    work.write("History.Log", eventLines(1, 4));
    ASSERT_TRUE(testing::writeProductSettings(registry, work.path(), 0));
    EXPECT_EQ(run(),
              "Histran: nothing was done: the event database option USEACCESS is off or not "
              "set.\n");
    EXPECT_TRUE(historyExists());

    ASSERT_TRUE(testing::writeProductSettings(registry, work.path(), 1));
    EXPECT_EQ(run(), "Histran: 3 events appended to " + db + ".\n");
}

// Vorrak starts Histran as it ends, also on a guard machine without a
// display: the history is stored and the boxes go to the console.
TEST_F(HistranProgramTest, RunsWithoutADisplay) {
    auto missing = start(testing::Screen::None);
    EXPECT_EQ(missing.wait(), 1) << "a box that tells of a failure ends with a failure status";
    EXPECT_NE(testing::readText(runtime.file("stderr.txt")).find(kNoHistory), std::string::npos);

    work.write("History.Log", eventLines(1, 4));
    auto histran = start(testing::Screen::None);
    ASSERT_EQ(histran.wait(), 0) << testing::readText(runtime.file("stderr.txt"));
    EXPECT_FALSE(historyExists());
    EXPECT_EQ(countRows(db), 3);
}

TEST_F(HistranProgramTest, TheCommandLineClientReadsWhatHistranWrote) {
    work.write("History.Log",
               "[1] [2004/2/3 Detect Time:1:2:3] [/w/e/error1.bmp] []\r\n"
               "[2] [2004/2/3 Detect Time:1:5:0 Release Time:1:6:0 ] [/w/e/error2.bmp] "
               "[/w/e/error2.avi]\r\n"
               "[3] [ . End of this work at 2004/2/3 2:0:0] [] []\r\n");
    auto histran = start();
    ASSERT_EQ(histran.wait(), 0);
    EXPECT_FALSE(historyExists());

    const std::string command = "sqlite3 -separator '|' -nullvalue '<null>' '" + db +
                                "' 'select Desc, Bitmap, Video from History'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
        out += buffer;
    }
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(out,
              "2004/2/3 Detect Time:1:2:3|/w/e/error1.bmp|<null>\n"
              "2004/2/3 Detect Time:1:5:0 Release Time:1:6:0 |/w/e/error2.bmp|/w/e/error2.avi\n");
}

TEST_F(HistranProgramTest, KilledMidwayThenRerunStoresEveryEventExactlyOnce) {
    constexpr int kEvents = 150000;
    work.write("History.Log", eventLines(1, kEvents + 1) + "[0] [ . End] [] []\r\n");
    {
        auto histran = start();
        while (histran.running() && countRows(db) < 2000) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ASSERT_TRUE(histran.running()) << "finished before it could be stopped";
        histran.killHard();
        EXPECT_EQ(histran.wait(), 128 + SIGKILL);
    }
    const int64_t partial = countRows(db);
    EXPECT_GE(partial, 2000);
    EXPECT_LT(partial, kEvents);
    EXPECT_TRUE(historyExists());

    auto rerun = start();
    ASSERT_EQ(rerun.wait(), 0);
    EXPECT_EQ(countRows(db), kEvents);
    EXPECT_FALSE(historyExists());
}

// Descriptions that are all empty, as in the trial that found the fault:
// only the recorded position keeps a rerun from storing again the lines
// stored before the kill. Killed at a different point in each round.
TEST_F(HistranProgramTest, KilledWithEmptyDescriptionsThenRerunStoresEveryEventOnce) {
    constexpr int kEvents = 40000;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        std::string text;
        for (int i = 1; i <= kEvents; ++i) {
            const std::string n = std::to_string(i);
            text += "[" + n + "] [] [/w/r" + std::to_string(round) + "/error" + n + ".bmp] []\r\n";
        }
        work.write("History.Log", text);
        const int64_t before = int64_t{round} * kEvents;
        {
            auto histran = start();
            // Histran is held while the rows are counted, so it cannot run
            // to the end between a look and the kill, however busy the
            // machine is.
            const int64_t target = before + 1000 * (round + 1);
            bool reached = false;
            while (!reached && histran.running()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                histran.pause();
                reached = countEvents(db) >= target;
                if (!reached) {
                    histran.resume();
                }
            }
            ASSERT_TRUE(reached) << "finished before it could be stopped";
            histran.killHard();
            EXPECT_EQ(histran.wait(), 128 + SIGKILL);
        }
        EXPECT_LT(countEvents(db), before + kEvents);
        EXPECT_TRUE(historyExists());

        auto rerun = start();
        ASSERT_EQ(rerun.wait(), 0) << messages();
        EXPECT_EQ(countEvents(db), before + kEvents);
        EXPECT_FALSE(historyExists());
    }
}

// Vorrak's writer appends while Histran runs again and again: every line
// ends up stored exactly once, none in a file that was already consumed.
TEST_F(HistranProgramTest, LinesAppendedWhileHistranRunsAreEachStoredOnce) {
    constexpr int kLines = 2500;
    const std::string path = work.file("History.Log");
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        std::atomic<bool> written = false;
        std::string writeError;
        std::thread writer([&] {
            for (int i = 0; i < kLines && writeError.empty(); ++i) {
                const std::string n = std::to_string(i);
                platform::AppendHistoryLine(path,
                                            "[" + n + "] [2005/1/1 Detect Time:1:2:3 #" + n +
                                                "] [/w/r" + std::to_string(round) + "/error" + n +
                                                ".bmp] []",
                                            &writeError);
            }
            written = true;
        });
        int runs = 0;
        while (!written || runs == 0) {
            auto histran = start();
            const int status = histran.wait();
            // A run that starts between two takes finds no file and says so.
            EXPECT_TRUE(status == 0 ||
                        (status == 1 && messages().find(kNoHistory) != std::string::npos))
                << status << messages();
            ++runs;
        }
        writer.join();
        EXPECT_EQ(writeError, "");
        if (historyExists()) {
            auto last = start();
            EXPECT_EQ(last.wait(), 0) << messages();
        }
        EXPECT_EQ(countEvents(db), int64_t{round + 1} * kLines);
        EXPECT_FALSE(historyExists());
    }
}

TEST_F(HistranProgramTest, ALockedDatabaseStopsWithTheDatabasesReasonAndExitsNonZero) {
    work.write("History.Log", eventLines(1, 11));
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE; INSERT INTO History VALUES ('h', 'h', NULL);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    auto histran = start();
    EXPECT_EQ(histran.wait(), 1);
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    EXPECT_NE(messages().find(std::string(kStoreFailed) + "\ndatabase is locked"),
              std::string::npos)
        << messages();
    EXPECT_TRUE(historyExists());
    EXPECT_EQ(countEvents(db), 0);

    auto rerun = start();
    EXPECT_EQ(rerun.wait(), 0) << messages();
    EXPECT_EQ(countEvents(db), 10);
    EXPECT_FALSE(historyExists());
}

// manage browses and deletes through its own connection while Histran appends.
TEST_F(HistranProgramTest, BrowsingWhileHistranAppendsBothSucceed) {
    constexpr int kOld = 300;
    constexpr int kNew = 20000;
    {
        eventdb::EventDatabase seed;
        ASSERT_TRUE(eventdb::OpenEventDatabase(seed, db));
        for (int i = 0; i < kOld; ++i) {
            ASSERT_TRUE(seed.table.addNew(
                {{"Desc", "old " + std::to_string(i)}, {"Bitmap", std::string("/o.bmp")}}));
        }
    }
    work.write("History.Log", eventLines(1, kNew + 1));
    auto histran = start();

    eventdb::EventDatabase browser;
    ASSERT_TRUE(eventdb::OpenEventDatabase(browser, db));
    int deleted = 0;
    int passes = 0;
    std::string failure;
    while (failure.empty() && (histran.running() || passes == 0)) {
        if (!eventdb::OpenDisplayRecordset(browser)) {
            failure = browser.display.error();
            break;
        }
        eventdb::Recordset& rs = browser.display;
        eventdb::Value v;
        for (int step = 0; step < 50 && !rs.eof(); ++step) {
            if (!rs.field("Desc", &v) || !rs.moveNext()) {
                failure = rs.error();
            }
        }
        if (failure.empty() && rs.moveFirst() && rs.field("Desc", &v) && v &&
            v->starts_with("old")) {
            if (rs.deleteCurrent()) {
                ++deleted;
            } else {
                failure = rs.error();
            }
        }
        ++passes;
    }
    EXPECT_EQ(failure, "");
    ASSERT_EQ(histran.wait(), 0);
    EXPECT_FALSE(historyExists());
    EXPECT_GT(deleted, 0);
    EXPECT_EQ(countRows(db), kOld - deleted + kNew);
}

}  // namespace
}  // namespace zelkor::histran
