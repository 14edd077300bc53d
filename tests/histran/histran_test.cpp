#include <gtest/gtest.h>

#include <sqlite3.h>

#include <filesystem>

#include "eventdb/event_database.h"
#include "histran/histran.h"
#include "histran/translate.h"
#include "platform/fake/memory_registry.h"
#include "platform/fake/recording_ui.h"
#include "tests/support/fake_instances.h"
#include "tests/support/temp_dir.h"

namespace zelkor::histran {
namespace {

using eventdb::Value;

struct Row {
    Value desc, bitmap, video;
    bool operator==(const Row&) const = default;
};

std::vector<Row> rowsOf(const std::string& path) {
    eventdb::EventDatabase db;
    EXPECT_TRUE(eventdb::OpenEventDatabase(db, path));
    std::vector<Row> rows;
    for (int64_t i = 0; i < db.table.recordCount(); ++i) {
        Row r;
        EXPECT_TRUE(db.table.fieldAt(i, 0, &r.desc));
        EXPECT_TRUE(db.table.fieldAt(i, 1, &r.bitmap));
        EXPECT_TRUE(db.table.fieldAt(i, 2, &r.video));
        rows.push_back(r);
    }
    return rows;
}

void execSql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK)
        << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
}

class HistranTest : public ::testing::Test {
  protected:
    testing::TempDir work;
    testing::TempDir programDir;
    platform::MemoryRegistry registry;
    platform::RecordingUi ui;
    testing::FakeInstances instances;
    HistranContext context{registry, ui, instances, programDir.path()};
    std::string db = work.file("Vrak.mdb");

    void SetUp() override {
        registry.putText(eventdb::kProductKey, "WORKINGDIR", work.path());
        registry.putNumber(eventdb::kProductKey, "USEACCESS", 1);
        std::string error;
        ASSERT_TRUE(eventdb::CreateEventDatabase(db, &error)) << error;
    }
    void history(const std::string& text, const std::string& name = "History.Log") {
        work.write(name, text);
    }
    bool historyExists() const {
        return FindFileIgnoringCase(work.path(), "history.log").has_value();
    }
};

constexpr const char* kTwoEvents =
    "[1] [2003/4/5 Detect Time:1:2:3] [/w/e/error1.bmp] []\r\n"
    "[2] [2003/4/5 Detect Time:1:2:9 Release Time:1:3:0 ] [/w/e/error2.bmp] [/w/e/error2.avi]\r\n"
    "[3] [ . End of this work at 2003/4/5 2:0:0] [] []\r\n";

TEST_F(HistranTest, StoresEventsOnceSkipsEndOfWorkAndDeletesTheFile) {
    history(kTwoEvents);
    EXPECT_EQ(RunHistran(context), HistranOutcome::Done);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_FALSE(historyExists());
    const std::vector<Row> expected = {
        {"2003/4/5 Detect Time:1:2:3", "/w/e/error1.bmp", std::nullopt},
        {"2003/4/5 Detect Time:1:2:9 Release Time:1:3:0 ", "/w/e/error2.bmp", "/w/e/error2.avi"}};
    EXPECT_EQ(rowsOf(db), expected);

    // The same file again, with other paths for a known description: nothing new.
    history(std::string(kTwoEvents) + "[1] [2003/4/5 Detect Time:1:2:3] [/other.bmp] [/o.avi]\r\n",
            "history.log");
    EXPECT_EQ(RunHistran(context), HistranOutcome::Done);
    EXPECT_EQ(rowsOf(db), expected);
}

TEST_F(HistranTest, DuplicateTestIsExactCaseSensitiveAndIgnoresEmptyDescriptions) {
    history(
        "[1] [A] [a.bmp] []\n"
        "[2] [A] [b.bmp] []\n"
        "[3] [a] [c.bmp] []\n"
        "[4] [] [d.bmp] []\n"
        "[5] [] [e.bmp] []\n"
        "[6] [A ] [f.bmp] []\n");
    EXPECT_EQ(RunHistran(context), HistranOutcome::Done);
    const auto rows = rowsOf(db);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].bitmap, Value("a.bmp"));
    EXPECT_EQ(rows[1].bitmap, Value("c.bmp"));
    EXPECT_EQ(rows[2].desc, Value(""));
    EXPECT_EQ(rows[3].desc, Value(""));
    EXPECT_EQ(rows[4].desc, Value("A "));
}

TEST_F(HistranTest, SkipsMalformedLinesAndReadsEveryLineEnding) {
    history(
        "\r\n"
        "[1] [x]y] [bad.bmp] []\r"
        "[2] [good one] [g.bmp] []\r"
        "[3\n"
        "[4] [second] [s.bmp] [s.avi]\n"
        "[5] [third] [t.bmp] []");
    EXPECT_EQ(RunHistran(context), HistranOutcome::Done);
    const auto rows = rowsOf(db);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].desc, Value("good one"));
    EXPECT_EQ(rows[1].video, Value("s.avi"));
    EXPECT_EQ(rows[2].desc, Value("third"));
}

TEST_F(HistranTest, AFileOfEndOfWorkLinesAddsNothingAndIsDeleted) {
    history("[1] [ . End of this work at 2003/4/5 2:0:0] [] []\r\n");
    EXPECT_EQ(RunHistran(context), HistranOutcome::Done);
    EXPECT_TRUE(rowsOf(db).empty());
    EXPECT_FALSE(historyExists());
}

TEST_F(HistranTest, FindsDuplicatesBeyondSixteenBitRowCounts) {
    std::string sql = "BEGIN;";
    for (int i = 0; i < 40000; ++i) {
        sql += "INSERT INTO History VALUES('d" + std::to_string(i) + "','b',NULL);";
    }
    execSql(db, sql + "COMMIT;");
    history("[1] [d39999] [b] []\n[2] [d40000] [b] []\n");
    EXPECT_EQ(RunHistran(context), HistranOutcome::Done);
    EXPECT_EQ(rowsOf(db).size(), 40001u);
}

TEST_F(HistranTest, KeepsTheFileWhenAnEventCouldNotBeStoredAndAddsOnlyTheRestLater) {
    execSql(db,
            "CREATE TRIGGER refuse BEFORE INSERT ON History WHEN NEW.Desc = 'two' "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    history("[1] [one] [1.bmp] []\n[2] [two] [2.bmp] []\n[3] [three] [3.bmp] []\n");
    EXPECT_EQ(RunHistran(context), HistranOutcome::Incomplete);
    EXPECT_TRUE(historyExists());
    EXPECT_EQ(rowsOf(db).size(), 2u);

    execSql(db, "DROP TRIGGER refuse;");
    EXPECT_EQ(RunHistran(context), HistranOutcome::Done);
    EXPECT_FALSE(historyExists());
    const auto rows = rowsOf(db);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].desc, Value("two"));
}

TEST_F(HistranTest, OptionOffMissingKeyOrSecondInstanceEndSilentlyLeavingTheFile) {
    history(kTwoEvents);
    registry.putNumber(eventdb::kProductKey, "USEACCESS", 0);
    EXPECT_EQ(RunHistran(context), HistranOutcome::OptionOff);

    platform::MemoryRegistry empty;
    HistranContext noKey{empty, ui, instances, programDir.path()};
    EXPECT_EQ(RunHistran(noKey), HistranOutcome::OptionOff);

    registry.putNumber(eventdb::kProductKey, "USEACCESS", 1);
    const auto first = instances.claim(kInstanceClass);
    EXPECT_EQ(RunHistran(context), HistranOutcome::AlreadyRunning);

    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(historyExists());
    EXPECT_TRUE(rowsOf(db).empty());
}

TEST_F(HistranTest, FallsBackToTheDatabaseBesideTheProgramWithOneMessage) {
    std::filesystem::remove(db);
    const std::string beside = programDir.file("Vrak.mdb");
    std::string error;
    ASSERT_TRUE(eventdb::CreateEventDatabase(beside, &error));
    history(kTwoEvents);
    EXPECT_EQ(RunHistran(context), HistranOutcome::Done);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "The database file is not exist...\nSystem use default database");
    EXPECT_EQ(ui.boxes[0].title, "Zelkor Oculara - Event Log Translation");
    EXPECT_EQ(ui.boxes[0].style, platform::mb::OK);
    EXPECT_EQ(rowsOf(beside).size(), 2u);
}

TEST_F(HistranTest, MissingDatabasesThenMissingHistoryThenUnopenableDatabase) {
    std::filesystem::remove(db);
    history(kTwoEvents);
    EXPECT_EQ(RunHistran(context), HistranOutcome::NoDatabase);
    ASSERT_EQ(ui.texts(), (std::vector<std::string>{
                              "The database file is not exist...\nSystem use default database",
                              "System error, no valid database file is found...\nInstall is not "
                              "completely..."}));
    EXPECT_EQ(ui.boxes[1].style, platform::mb::OK | platform::mb::ICONHAND);
    EXPECT_TRUE(historyExists());

    ui.boxes.clear();
    std::string error;
    ASSERT_TRUE(eventdb::CreateEventDatabase(db, &error));
    std::filesystem::remove(work.file("History.Log"));
    EXPECT_EQ(RunHistran(context), HistranOutcome::NoHistory);
    EXPECT_EQ(ui.texts(),
              (std::vector<std::string>{"No data record is found for appending to Database..."}));

    ui.boxes.clear();
    std::filesystem::remove(db);
    work.write("Vrak.mdb", "not a database at all, but long enough to be read as one.....");
    history(kTwoEvents);
    EXPECT_EQ(RunHistran(context), HistranOutcome::OpenFailed);
    EXPECT_EQ(ui.texts(), (std::vector<std::string>{
                              "Error occured while opening Oculara Error Log Database ...\nPlease "
                              "install Microsoft ACCESS or ACCESS ODBC driver. "}));
    EXPECT_TRUE(historyExists());
}

TEST(FindFileIgnoringCaseTest, MatchesAnyCaseButOnlyFiles) {
    testing::TempDir dir;
    EXPECT_FALSE(FindFileIgnoringCase(dir.path(), "history.log"));
    std::filesystem::create_directory(dir.file("HISTORY.LOG"));
    EXPECT_FALSE(FindFileIgnoringCase(dir.path(), "history.log"));
    dir.write("History.Log", "x");
    EXPECT_EQ(FindFileIgnoringCase(dir.path(), "history.log"), dir.file("History.Log"));
    EXPECT_FALSE(FindFileIgnoringCase(dir.file("missing"), "history.log"));
}

}  // namespace
}  // namespace zelkor::histran
