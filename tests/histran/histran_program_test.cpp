#include <gtest/gtest.h>

#include <sqlite3.h>

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
#include "tests/support/program_runner.h"
#include "tests/support/temp_dir.h"

namespace zelkor::histran {
namespace {

// Counts rows through a connection of its own, as any other reader would.
int64_t countRows(const std::string& db) {
    sqlite3* raw = nullptr;
    int64_t n = -1;
    if (sqlite3_open_v2(db.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(raw, 5000);
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(raw, "SELECT count(*), count(DISTINCT Desc) FROM History", -1, &stmt,
                               nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW) {
            n = sqlite3_column_int64(stmt, 0) == sqlite3_column_int64(stmt, 1)
                    ? sqlite3_column_int64(stmt, 0)
                    : -2;  // a duplicate
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(raw);
    return n;
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
    bool historyExists() { return FindFileIgnoringCase(work.path(), "history.log").has_value(); }
};

// Vorrak starts Histran as it ends, also on a guard machine without a
// display: the history is stored and the boxes go to the console.
TEST_F(HistranProgramTest, RunsWithoutADisplay) {
    auto missing = start(testing::Screen::None);
    EXPECT_EQ(missing.wait(), 0);
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
