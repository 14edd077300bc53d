#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "eventdb/event_database.h"
#include "tests/support/temp_dir.h"

namespace zelkor::eventdb {
namespace {

class RecordsetTest : public ::testing::Test {
  protected:
    testing::TempDir dir;
    std::string path = dir.file("Vrak.mdb");
    EventDatabase db;

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(CreateEventDatabase(path, &error)) << error;
        ASSERT_TRUE(OpenEventDatabase(db, path)) << db.connection.error() << db.table.error();
    }
    void add(const std::string& desc, const Value& video = std::nullopt) {
        ASSERT_TRUE(db.table.addNew({{"Desc", desc}, {"Bitmap", desc + ".bmp"}, {"Video", video}}))
            << db.table.error();
    }
    std::string desc(Recordset& rs) {
        Value v;
        EXPECT_TRUE(rs.field("Desc", &v)) << rs.error();
        return v.value_or("<null>");
    }
};

TEST_F(RecordsetTest, EmptySnapshotIsAtBothEndsAndRefusesToStep) {
    ASSERT_TRUE(OpenDisplayRecordset(db));
    Recordset& rs = db.display;
    EXPECT_EQ(rs.recordCount(), 0);
    EXPECT_TRUE(rs.bof());
    EXPECT_TRUE(rs.eof());
    EXPECT_TRUE(rs.moveFirst());
    EXPECT_TRUE(rs.moveLast());
    EXPECT_FALSE(rs.moveNext());
    EXPECT_FALSE(rs.error().empty());
    EXPECT_FALSE(rs.movePrevious());
    Value v;
    EXPECT_FALSE(rs.field("Desc", &v));
    EXPECT_FALSE(rs.deleteCurrent());
}

TEST_F(RecordsetTest, WalksBothWaysThroughBofAndEof) {
    add("a");
    add("b");
    add("c");
    ASSERT_TRUE(OpenDisplayRecordset(db));
    Recordset& rs = db.display;
    EXPECT_EQ(rs.columns(), (std::vector<std::string>{"Desc", "Bitmap", "Video"}));
    ASSERT_EQ(rs.recordCount(), 3);
    EXPECT_EQ(rs.absolutePosition(), 1);
    EXPECT_EQ(desc(rs), "a");
    ASSERT_TRUE(rs.moveNext());
    ASSERT_TRUE(rs.moveNext());
    EXPECT_EQ(desc(rs), "c");
    EXPECT_EQ(rs.absolutePosition(), 3);
    ASSERT_TRUE(rs.moveNext());
    EXPECT_TRUE(rs.eof());
    EXPECT_FALSE(rs.bof());
    EXPECT_EQ(rs.absolutePosition(), Recordset::kPosEOF);
    EXPECT_FALSE(rs.moveNext());
    ASSERT_TRUE(rs.movePrevious());
    EXPECT_EQ(desc(rs), "c");
    ASSERT_TRUE(rs.moveFirst());
    ASSERT_TRUE(rs.movePrevious());
    EXPECT_TRUE(rs.bof());
    EXPECT_EQ(rs.absolutePosition(), Recordset::kPosBOF);
    EXPECT_FALSE(rs.movePrevious());
    ASSERT_TRUE(rs.moveNext());
    EXPECT_EQ(desc(rs), "a");
    ASSERT_TRUE(rs.moveLast());
    EXPECT_EQ(desc(rs), "c");
    ASSERT_TRUE(rs.moveTo(1));
    EXPECT_EQ(desc(rs), "b");
    EXPECT_FALSE(rs.moveTo(3));
}

TEST_F(RecordsetTest, TellsNullFromEmptyText) {
    add("a");
    add("b", "");
    add("c", "/v.avi");
    ASSERT_TRUE(OpenDisplayRecordset(db));
    Value v = "x";
    ASSERT_TRUE(db.display.fieldAt(0, 2, &v));
    EXPECT_FALSE(v.has_value());
    ASSERT_TRUE(db.display.fieldAt(1, 2, &v));
    EXPECT_EQ(v, std::optional<std::string>(""));
    ASSERT_TRUE(db.display.fieldAt(2, 2, &v));
    EXPECT_EQ(v, std::optional<std::string>("/v.avi"));
    EXPECT_FALSE(db.display.field("Nope", &v));
    EXPECT_FALSE(db.display.error().empty());
}

TEST_F(RecordsetTest, DeleteLeavesAGapThatNextStepsOver) {
    add("a");
    add("b");
    add("c");
    ASSERT_TRUE(OpenDisplayRecordset(db));
    Recordset& rs = db.display;
    ASSERT_TRUE(rs.moveTo(1));
    ASSERT_TRUE(rs.deleteCurrent());
    EXPECT_EQ(rs.recordCount(), 2);
    EXPECT_FALSE(rs.eof());
    Value v;
    EXPECT_FALSE(rs.field("Desc", &v));
    ASSERT_TRUE(rs.moveNext());
    EXPECT_EQ(desc(rs), "c");
    // Deleting the last row leaves the position on the gap; the next step is EOF.
    ASSERT_TRUE(rs.deleteCurrent());
    EXPECT_FALSE(rs.eof());
    ASSERT_TRUE(rs.moveNext());
    EXPECT_TRUE(rs.eof());
    ASSERT_TRUE(rs.moveLast());
    EXPECT_EQ(desc(rs), "a");

    // The deletions reached the file.
    Recordset fresh;
    ASSERT_TRUE(fresh.open(db.connection, "History"));
    EXPECT_EQ(fresh.recordCount(), 1);
    EXPECT_EQ(desc(fresh), "a");
}

// Right after its deletion the only row is still the current one, so
// neither end is reached; the next move in either direction reaches both
// ends of the now empty snapshot.
TEST_F(RecordsetTest, DeletingTheOnlyRowReachesNeitherEndUntilAMove) {
    // Each pass deletes the one row the table holds, then steps one way.
    for (const bool forward : {true, false}) {
        add(forward ? "a" : "b");
        ASSERT_TRUE(OpenDisplayRecordset(db));
        Recordset& rs = db.display;
        ASSERT_EQ(rs.recordCount(), 1);
        ASSERT_TRUE(rs.deleteCurrent()) << rs.error();
        EXPECT_EQ(rs.recordCount(), 0);
        EXPECT_FALSE(rs.eof());
        EXPECT_FALSE(rs.bof());
        EXPECT_EQ(rs.absolutePosition(), Recordset::kPosUnknown);
        ASSERT_TRUE(forward ? rs.moveNext() : rs.movePrevious()) << rs.error();
        EXPECT_TRUE(rs.eof());
        EXPECT_TRUE(rs.bof());
        EXPECT_FALSE(rs.moveNext());
        EXPECT_FALSE(rs.movePrevious());
    }
}

TEST_F(RecordsetTest, ChangesGoThroughASelectAndTheSnapshotKeepsItsRows) {
    add("2003/1/2 Detect Time:1:2:3");
    add("2004/5/6 Detect Time:1:2:3");
    ASSERT_TRUE(OpenDisplayRecordset(db, "2004"));
    Recordset& rs = db.display;
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(desc(rs), "2004/5/6 Detect Time:1:2:3");
    ASSERT_TRUE(rs.setField("Video", std::string("/v.avi")));
    ASSERT_TRUE(rs.addNew({{"Desc", std::string("1999/1/1 x")}, {"Bitmap", std::string("b")}}));
    EXPECT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(desc(rs), "1999/1/1 x");

    // Rows another connection adds later do not join an open snapshot.
    add("2004/7/7 Detect Time:0:0:0");
    EXPECT_EQ(rs.recordCount(), 2);

    Recordset check;
    ASSERT_TRUE(check.open(db.connection, "select Video from History where Desc = ?",
                           {"2004/5/6 Detect Time:1:2:3"}));
    Value v;
    ASSERT_TRUE(check.field("video", &v));
    EXPECT_EQ(v, std::optional<std::string>("/v.avi"));
    std::vector<Value> all;
    ASSERT_TRUE(db.table.readColumn("Desc", &all));
    EXPECT_EQ(all.size(), 4u);
}

TEST_F(RecordsetTest, ComputedColumnsAreReadOnlyAndClosedConnectionsFailCleanly) {
    add("a");
    Recordset rs;
    ASSERT_TRUE(rs.open(db.connection, "select upper(Desc) as U from History"));
    Value u;
    ASSERT_TRUE(rs.field("U", &u));
    EXPECT_EQ(u, Value("A"));
    EXPECT_FALSE(rs.setField("U", std::string("x")));
    EXPECT_FALSE(rs.error().empty());
    EXPECT_FALSE(rs.open(db.connection, "History"));  // already open

    Recordset missing;
    EXPECT_FALSE(missing.open(db.connection, "NoSuchTable"));
    EXPECT_NE(missing.error().find("NoSuchTable"), std::string::npos);

    db.connection.close();
    EXPECT_FALSE(rs.moveFirst());
    EXPECT_FALSE(rs.error().empty());
}

// One program browses and deletes while another appends: neither may see
// "database is locked".
TEST_F(RecordsetTest, BrowsingAndAppendingAtOnceBothSucceed) {
    for (int i = 0; i < 50; ++i) {
        add("old" + std::to_string(i));
    }
    std::atomic<bool> writerOk{true};
    std::thread writer([&] {
        EventDatabase other;
        if (!OpenEventDatabase(other, path)) {
            writerOk = false;
            return;
        }
        for (int i = 0; i < 2000 && writerOk; ++i) {
            writerOk = other.table.addNew(
                {{"Desc", "new" + std::to_string(i)}, {"Bitmap", std::string("b")}});
        }
    });
    int snapshots = 0;
    bool readerOk = true;
    while (readerOk && snapshots < 40) {
        readerOk = OpenDisplayRecordset(db) && db.display.moveLast() && db.display.moveFirst();
        Value v;
        readerOk = readerOk && db.display.field("Desc", &v);
        if (readerOk && snapshots % 10 == 0) {
            readerOk = db.display.deleteCurrent();
        }
        ++snapshots;
    }
    writer.join();
    EXPECT_TRUE(readerOk) << db.display.error();
    EXPECT_TRUE(writerOk);
    ASSERT_TRUE(OpenDisplayRecordset(db));
    EXPECT_EQ(db.display.recordCount(), 50 + 2000 - 4);
}

}  // namespace
}  // namespace zelkor::eventdb
