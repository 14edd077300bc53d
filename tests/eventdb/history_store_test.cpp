#include <gtest/gtest.h>

#include <sqlite3.h>

#include "eventdb/event_database.h"
#include "eventdb/history_store.h"
#include "tests/eventdb/exec_sql.h"
#include "tests/support/temp_dir.h"

namespace zelkor::eventdb {
namespace {

using testing::execSql;

class HistoryStoreTest : public ::testing::Test {
  protected:
    testing::TempDir dir;
    std::string path = dir.file("Vrak.mdb");
    EventDatabase database;
    HistoryStore store;
    const HistoryFileId file{"History.Log.taken-1", 77, 500};

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(CreateEventDatabase(path, &error)) << error;
    }
    void openStore() {
        ASSERT_TRUE(OpenEventDatabase(database, path));
        ASSERT_TRUE(store.open(database.connection)) << store.error();
    }
    // What another program sees: the column values of every row in order.
    std::vector<Value> column(std::string_view name) {
        EventDatabase other;
        EXPECT_TRUE(OpenEventDatabase(other, path));
        std::vector<Value> values;
        const int c = other.table.columnIndex(name);
        for (int64_t i = 0; i < other.table.recordCount(); ++i) {
            Value v;
            EXPECT_TRUE(other.table.fieldAt(i, c, &v));
            values.push_back(v);
        }
        return values;
    }
    int64_t positionSeenBy(const HistoryFileId& id) {
        EventDatabase other;
        HistoryStore reader;
        int64_t position = -1;
        EXPECT_TRUE(OpenEventDatabase(other, path) && reader.open(other.connection) &&
                    reader.position(id, &position));
        return position;
    }
};

TEST_F(HistoryStoreTest, StoresRowsAndPositionOnlyTogetherAndOnCommit) {
    openStore();
    EXPECT_TRUE(store.add({"", "b1", ""}, file, 20));
    EXPECT_TRUE(store.add({"d", "b2", "v2"}, file, 45));
    EXPECT_TRUE(column("Desc").empty());
    EXPECT_EQ(positionSeenBy(file), 0);

    ASSERT_TRUE(store.commit()) << store.error();
    EXPECT_EQ(column("Desc"), (std::vector<Value>{"", "d"}));
    EXPECT_EQ(column("Video"), (std::vector<Value>{std::nullopt, "v2"}));
    EXPECT_EQ(positionSeenBy(file), 45);

    // A line set aside moves the position without a row.
    EXPECT_TRUE(store.advance(file, 60));
    ASSERT_TRUE(store.commit());
    EXPECT_EQ(column("Desc").size(), 2u);
    EXPECT_EQ(positionSeenBy(file), 60);
}

TEST_F(HistoryStoreTest, APositionBelongsToOneFileOnly) {
    openStore();
    ASSERT_TRUE(store.advance(file, 300));
    ASSERT_TRUE(store.commit());
    EXPECT_EQ(positionSeenBy(file), 300);
    EXPECT_EQ(positionSeenBy({file.name, file.inode + 1, file.size}), 0);
    EXPECT_EQ(positionSeenBy({file.name, file.inode, file.size + 1}), 0);
    EXPECT_EQ(positionSeenBy({"History.Log.taken-2", file.inode, file.size}), 0);

    ASSERT_TRUE(store.advance(file, file.size + 1));
    ASSERT_TRUE(store.commit());
    EXPECT_EQ(positionSeenBy(file), 0);
}

TEST_F(HistoryStoreTest, AFailedRowKeepsTheRowsBeforeItWithTheirPosition) {
    execSql(path,
            "CREATE TRIGGER refuse BEFORE INSERT ON History WHEN NEW.Desc = 'three' "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    openStore();
    EXPECT_TRUE(store.add({"one", "1.bmp", ""}, file, 10));
    EXPECT_TRUE(store.add({"two", "2.bmp", ""}, file, 20));
    EXPECT_FALSE(store.add({"three", "3.bmp", ""}, file, 30));
    EXPECT_EQ(store.error(), "refused");
    EXPECT_EQ(column("Desc"), (std::vector<Value>{"one", "two"}));
    EXPECT_EQ(positionSeenBy(file), 20);
}

TEST_F(HistoryStoreTest, HoldsMatchesDescAndBitmapExactlyAlsoBeforeTheCommit) {
    execSql(path, "INSERT INTO History VALUES ('d', 'b', NULL), (NULL, 'n', NULL)");
    openStore();
    ASSERT_TRUE(store.add({"", "e", ""}, file, 1));
    const auto held = [&](std::string_view desc, std::string_view bitmap) {
        bool result = false;
        EXPECT_TRUE(store.holds({desc, bitmap, ""}, &result)) << store.error();
        return result;
    };
    EXPECT_TRUE(held("d", "b"));
    EXPECT_TRUE(held("", "e"));
    EXPECT_FALSE(held("d", "B"));
    EXPECT_FALSE(held("D", "b"));
    EXPECT_FALSE(held("d", "e"));
    EXPECT_FALSE(held("", "n"));  // a Null description is not an empty one
}

// The index for the duplicate test must not change the order in which the
// browsing window and the table list the rows.
TEST_F(HistoryStoreTest, RowsKeepTheOrderTheyWereAddedIn) {
    openStore();
    for (const char* desc : {"c", "a", "b"}) {
        ASSERT_TRUE(store.add({desc, "z.bmp", ""}, file, 1));
    }
    ASSERT_TRUE(store.commit());
    EXPECT_EQ(column("Desc"), (std::vector<Value>{"c", "a", "b"}));
    EventDatabase browser;
    ASSERT_TRUE(OpenEventDatabase(browser, path));
    ASSERT_TRUE(OpenDisplayRecordset(browser));
    std::vector<Value> shown;
    for (int64_t i = 0; i < browser.display.recordCount(); ++i) {
        Value v;
        ASSERT_TRUE(browser.display.fieldAt(i, 0, &v));
        shown.push_back(v);
    }
    EXPECT_EQ(shown, (std::vector<Value>{"c", "a", "b"}));
}

TEST_F(HistoryStoreTest, OpenSaysWhichColumnIsMissing) {
    std::filesystem::remove(path);
    execSql(path, "CREATE TABLE History (Desc TEXT, Bitmap TEXT)");
    ASSERT_TRUE(OpenEventDatabase(database, path));
    EXPECT_FALSE(store.open(database.connection));
    EXPECT_EQ(store.error(), "table History has no column named Video");
    EXPECT_FALSE(store.add({"d", "b", ""}, file, 1));
}

TEST_F(HistoryStoreTest, ForgetsThePositionsOfFilesThatAreGone) {
    openStore();
    const HistoryFileId other{"History.Log.taken-2", 78, 500};
    ASSERT_TRUE(store.advance(file, 10));
    ASSERT_TRUE(store.advance(other, 20));
    ASSERT_TRUE(store.commit());
    ASSERT_TRUE(store.forgetAllBut({other.name}));
    EXPECT_EQ(positionSeenBy(file), 0);
    EXPECT_EQ(positionSeenBy(other), 20);
}

}  // namespace
}  // namespace zelkor::eventdb
