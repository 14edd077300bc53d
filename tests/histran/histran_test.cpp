#include <gtest/gtest.h>

#include <sqlite3.h>

#include <filesystem>

#include "eventdb/event_database.h"
#include "eventdb/history_store.h"
#include "histran/history_reader.h"
#include "histran/histran.h"
#include "histran/translate.h"
#include "platform/fake/memory_registry.h"
#include "platform/fake/recording_ui.h"
#include "platform/history_file.h"
#include "tests/eventdb/exec_sql.h"
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

using testing::execSql;

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
    // Whether events wait in a history file, under its name or taken over.
    bool historyExists() const {
        return FindFileIgnoringCase(work.path(), "history.log").has_value() ||
               !platform::TakenHistoryFiles(work.path()).empty();
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

    // The same file again, with another clip for a known event: nothing new.
    history(
        std::string(kTwoEvents) + "[1] [2003/4/5 Detect Time:1:2:3] [/w/e/error1.bmp] [/o.avi]\r\n",
        "history.log");
    EXPECT_EQ(RunHistran(context), HistranOutcome::Done);
    EXPECT_EQ(rowsOf(db), expected);
}

// Two events of the same second have equal descriptions but their own
// bitmaps; both are stored, and only a line with the same Desc and Bitmap
// (exact, case-sensitive, empty descriptions included) is a duplicate.
TEST_F(HistranTest, DuplicatesHaveTheSameDescAndBitmap) {
    constexpr const char* kLines =
        "[1] [A] [a.bmp] []\n"
        "[2] [A] [b.bmp] []\n"
        "[3] [a] [c.bmp] []\n"
        "[4] [] [d.bmp] []\n"
        "[5] [] [e.bmp] []\n"
        "[6] [A ] [f.bmp] []\n"
        "[7] [A] [a.bmp] [a.avi]\n"
        "[8] [] [d.bmp] []\n"
        "[9] [A] [A.bmp] []\n";
    history(kLines);
    EXPECT_EQ(RunHistran(context), HistranOutcome::Done);
    const std::vector<Row> expected = {{"A", "a.bmp", std::nullopt}, {"A", "b.bmp", std::nullopt},
                                       {"a", "c.bmp", std::nullopt}, {"", "d.bmp", std::nullopt},
                                       {"", "e.bmp", std::nullopt},  {"A ", "f.bmp", std::nullopt},
                                       {"A", "A.bmp", std::nullopt}};
    EXPECT_EQ(rowsOf(db), expected);

    history(kLines);
    EXPECT_EQ(RunHistran(context), HistranOutcome::Done);
    EXPECT_EQ(rowsOf(db), expected);
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

TEST_F(HistranTest, StopsAtTheFirstFailedRowKeepsTheFileAndSaysWhy) {
    execSql(db,
            "CREATE TRIGGER refuse BEFORE INSERT ON History WHEN NEW.Desc = 'two' "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    history("[1] [one] [1.bmp] []\n[2] [two] [2.bmp] []\n[3] [three] [3.bmp] []\n");
    const HistranOutcome outcome = RunHistran(context);
    EXPECT_EQ(outcome, HistranOutcome::Incomplete);
    EXPECT_NE(HistranExitCode(outcome), 0);
    EXPECT_TRUE(historyExists());
    EXPECT_EQ(rowsOf(db).size(), 1u);
    ASSERT_EQ(ui.boxes.size(), 1u);
    const std::vector<std::string> taken = platform::TakenHistoryFiles(work.path());
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, std::string(kStoreFailed) + "\nrefused\nThe events not yet " +
                                    "stored stay in " + taken[0] + " for the next run.");
    EXPECT_EQ(ui.boxes[0].style, platform::mb::OK | platform::mb::ICONHAND);

    execSql(db, "DROP TRIGGER refuse;");
    EXPECT_EQ(RunHistran(context), HistranOutcome::Done);
    EXPECT_FALSE(historyExists());
    const auto rows = rowsOf(db);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].desc, Value("two"));
    EXPECT_EQ(rows[2].desc, Value("three"));
}

TEST_F(HistranTest, TheSummaryCountsStoredAndKnownEvents) {
    history(kTwoEvents);
    HistranSummary first;
    ASSERT_EQ(RunHistran(context, first), HistranOutcome::Done);
    EXPECT_EQ(SummaryLine(HistranOutcome::Done, first),
              "Histran: 2 events appended to " + db + ".");
    history(kTwoEvents);
    HistranSummary again;
    ASSERT_EQ(RunHistran(context, again), HistranOutcome::Done);
    EXPECT_EQ(SummaryLine(HistranOutcome::Done, again),
              "Histran: 0 events appended to " + db + " (2 already there).");
    std::filesystem::remove(db);
    HistranSummary none;
    EXPECT_EQ(RunHistran(context, none), HistranOutcome::NoDatabase);
    EXPECT_EQ(SummaryLine(HistranOutcome::NoDatabase, none),
              "Histran: nothing was done: no event database was found.");
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

// Vorrak starts Histran as it ends: a runtime folder it cannot use must be
// reported, not taken for another copy running (which ends Histran silently).
TEST_F(HistranTest, AnUnusableInstanceFolderIsReportedAndTheFileKept) {
    history(kTwoEvents);
    const std::string missing = work.file("no-runtime-folder");
    const auto sockets = platform::makeInstances(missing);
    HistranContext noFolder{registry, ui, *sockets, programDir.path()};
    EXPECT_EQ(RunHistran(noFolder), HistranOutcome::ClaimFailed);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].text.find(missing), std::string::npos) << ui.boxes[0].text;
    EXPECT_EQ(ui.boxes[0].title, kTitle);
    EXPECT_EQ(ui.boxes[0].style, platform::mb::OK | platform::mb::ICONHAND);
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
                              "install Microsoft ACCESS or ACCESS ODBC driver. \nfile is not a "
                              "database"}));
    EXPECT_TRUE(historyExists());
}

// Empty descriptions never told the stored lines apart; the position
// recorded with each row does, so a second pass reads only what is left.
TEST_F(HistranTest, GoesOnAfterTheLastStoredLineWhateverTheDescriptions) {
    execSql(db,
            "CREATE TRIGGER refuse BEFORE INSERT ON History WHEN NEW.Bitmap = '3.bmp' "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    const std::string path = work.write(
        "taken",
        "[1] [] [1.bmp] []\r\n[2] [] [2.bmp] []\r\n[3] [] [3.bmp] []\r\n[4] [] [4.bmp] []\r\n");
    const auto translate = [&] {
        eventdb::EventDatabase database;
        EXPECT_TRUE(eventdb::OpenEventDatabase(database, db));
        eventdb::HistoryStore store;
        EXPECT_TRUE(store.open(database.connection)) << store.error();
        return TranslateHistory(store, path, work.file("History.unread"));
    };
    TranslationResult result = translate();
    EXPECT_EQ(result.error, "refused");
    EXPECT_EQ(result.stored, 2u);

    execSql(db, "DROP TRIGGER refuse;");
    result = translate();
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.found, 0u);
    EXPECT_EQ(result.stored, 2u);
    EXPECT_EQ(rowsOf(db).size(), 4u);

    // Without a position the lines are read again, and none is stored twice.
    execSql(db, "DELETE FROM HistoryProgress;");
    result = translate();
    EXPECT_EQ(result.found, 4u);
    EXPECT_EQ(result.stored, 0u);
    EXPECT_EQ(rowsOf(db).size(), 4u);
}

TEST_F(HistranTest, SetsAsideUnreadableLinesAsTheyStandAndSaysHowMany) {
    using namespace std::string_literals;
    const std::string longDesc(kMaxDescriptionLength, 'd');
    const std::vector<std::string> unreadable = {
        "[2] [x]y] [2.bmp] []"s, "[3] [" + longDesc + "d] [3.bmp] []",
        "\xFF\xFE[\0"
        "4\0]\0 \0"s,
        "[5] [" + std::string(HistoryReader::kMaxLineBytes, 'h') + "] [5.bmp] []",
        "[9] [a] [b] [c] [d]"s};
    history("\xEF\xBB\xBF[1] [first] [1.bmp] []\r\n" + unreadable[0] + "\r\n" +
            "  [6]  [sixth ]\t[6.bmp]  [6.avi] \n" + unreadable[1] + "\r\n" + unreadable[2] + "\n" +
            unreadable[3] + "\r" + "[7] [" + longDesc + "] [7.bmp] []\r\n" + unreadable[4]);
    EXPECT_EQ(RunHistran(context), HistranOutcome::Done);
    EXPECT_FALSE(historyExists());
    const std::vector<Row> expected = {{"first", "1.bmp", std::nullopt},
                                       {"sixth ", "6.bmp", "6.avi"},
                                       {longDesc, "7.bmp", std::nullopt}};
    EXPECT_EQ(rowsOf(db), expected);
    const std::string unreadPath = work.file("History.unread");
    const std::vector<uint8_t> kept = testing::readFile(unreadPath);
    EXPECT_EQ(std::string(kept.begin(), kept.end()),
              unreadable[0] + "\r\n" + unreadable[1] + "\r\n" + unreadable[2] + "\n" +
                  unreadable[3] + "\r" + unreadable[4] + "\r\n");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text,
              "5 lines of the event log could not be read and were moved to " + unreadPath + ".");

    // A later run adds to the file rather than replacing it.
    ui.boxes.clear();
    history("[8] [y]z] [8.bmp] []\r\n");
    EXPECT_EQ(RunHistran(context), HistranOutcome::Done);
    EXPECT_EQ(testing::readFile(unreadPath).size(), kept.size() + 22);
    EXPECT_EQ(ui.texts(), (std::vector<std::string>{SetAsideMessage(1, unreadPath)}));
}

// A run killed after taking the file over leaves it under its new name; the
// next run stores it before the file Vorrak wrote since.
TEST_F(HistranTest, StoresFilesLeftByAnEarlierRunFirst) {
    history("[1] [a] [1.bmp] []\r\n");
    std::string error;
    ASSERT_TRUE(platform::TakeOverHistoryFile(work.file("History.Log"), &error)) << error;
    EXPECT_EQ(RunHistran(context), HistranOutcome::Done);
    EXPECT_TRUE(ui.boxes.empty());

    history("[2] [b] [2.bmp] []\r\n");
    ASSERT_TRUE(platform::TakeOverHistoryFile(work.file("History.Log"), &error)) << error;
    history("[3] [c] [3.bmp] []\r\n");
    EXPECT_EQ(RunHistran(context), HistranOutcome::Done);
    EXPECT_FALSE(historyExists());
    const auto rows = rowsOf(db);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].desc, Value("a"));
    EXPECT_EQ(rows[1].desc, Value("b"));
    EXPECT_EQ(rows[2].desc, Value("c"));
}

TEST_F(HistranTest, ATableWithoutItsColumnsStopsBeforeTakingTheFile) {
    std::filesystem::remove(db);
    execSql(db, "PRAGMA journal_mode=WAL; CREATE TABLE History (Desc TEXT, Video TEXT);");
    history(kTwoEvents);
    const HistranOutcome outcome = RunHistran(context);
    EXPECT_EQ(outcome, HistranOutcome::Incomplete);
    EXPECT_EQ(HistranExitCode(outcome), 1);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, std::string(kStoreFailed) + "\nno such column: Bitmap\n" +
                                    "The events not yet stored stay in " +
                                    work.file("History.Log") + " for the next run.");
    EXPECT_TRUE(std::filesystem::exists(work.file("History.Log")));
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
