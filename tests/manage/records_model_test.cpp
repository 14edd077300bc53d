#include <gtest/gtest.h>

#include <sqlite3.h>

#include "eventdb/event_database.h"
#include "manage/records_model.h"
#include "tests/manage/model_contract.h"
#include "tests/support/temp_dir.h"

namespace zelkor::manage {
namespace {

// What a view sees of the model at the moment the model announces a change:
// the rows must still be the old ones then.
struct Announced {
    int rows = -1;
    std::string firstDesc;
};

class RecordsModelTest : public ::testing::Test {
  protected:
    testing::TempDir dir;
    std::string path = dir.file("Vrak.mdb");
    eventdb::EventDatabase db;

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(eventdb::CreateEventDatabase(path, &error)) << error;
        ASSERT_TRUE(eventdb::OpenEventDatabase(db, path));
        for (const char* desc : {"2003/1/1 a", "2004/1/2 b", "2004/1/3 c"}) {
            ASSERT_TRUE(db.table.addNew({{"Desc", std::string(desc)}}));
        }
        ASSERT_TRUE(eventdb::OpenDisplayRecordset(db));
    }
    static std::string desc(const RecordsModel& model, int row) {
        return model.data(model.index(row, 0), Qt::DisplayRole).toString().toStdString();
    }
};

TEST_F(RecordsModelTest, DeletingARowIsAnnouncedWhileTheRowIsStillThere) {
    RecordsModel model(db.display);
    testing::ModelContract contract(&model);
    Announced before;
    QObject::connect(&model, &QAbstractItemModel::rowsAboutToBeRemoved,
                     [&](const QModelIndex&, int first, int) {
                         before = {model.rowCount(), desc(model, first)};
                     });

    ASSERT_TRUE(db.display.moveTo(1));
    ASSERT_TRUE(model.deleteCurrent()) << db.display.error();
    EXPECT_EQ(before.rows, 3);
    EXPECT_EQ(before.firstDesc, "2004/1/2 b");
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(desc(model, 1), "2004/1/3 c");

    ASSERT_TRUE(db.display.moveLast());
    ASSERT_TRUE(model.deleteCurrent());
    ASSERT_TRUE(db.display.moveFirst());
    ASSERT_TRUE(model.deleteCurrent());
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(contract.violations(), "");
}

TEST_F(RecordsModelTest, ADeleteTheDatabaseRefusesChangesNoRow) {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other,
                           "CREATE TRIGGER keep BEFORE DELETE ON History "
                           "BEGIN SELECT RAISE(ABORT, 'rows are kept'); END;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);

    RecordsModel model(db.display);
    testing::ModelContract contract(&model);
    int announced = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsAboutToBeRemoved, [&] { ++announced; });
    ASSERT_TRUE(db.display.moveFirst());
    EXPECT_FALSE(model.deleteCurrent());
    EXPECT_EQ(db.display.error(), "rows are kept");
    EXPECT_EQ(announced, 0);
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(desc(model, 0), "2003/1/1 a");
    EXPECT_EQ(contract.violations(), "");
}

TEST_F(RecordsModelTest, ReopeningAndClosingAreAnnouncedBeforeTheRowsChange) {
    RecordsModel model(db.display);
    testing::ModelContract contract(&model);
    Announced before;
    QObject::connect(&model, &QAbstractItemModel::modelAboutToBeReset, [&] {
        before = {model.rowCount(), desc(model, 0)};
    });

    EXPECT_TRUE(model.changeRecordset([&] { return eventdb::OpenDisplayRecordset(db, "2004"); }));
    EXPECT_EQ(before.rows, 3);
    EXPECT_EQ(before.firstDesc, "2003/1/1 a");
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(desc(model, 0), "2004/1/2 b");

    EXPECT_TRUE(model.changeRecordset([&] {
        db.display.close();
        return true;
    }));
    EXPECT_EQ(before.rows, 2);
    EXPECT_EQ(model.rowCount(), 0);

    // A failed reopen still ends the reset, with no rows to show.
    db.connection.close();
    EXPECT_FALSE(model.changeRecordset([&] { return eventdb::OpenDisplayRecordset(db); }));
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(contract.violations(), "");
}

}  // namespace
}  // namespace zelkor::manage
