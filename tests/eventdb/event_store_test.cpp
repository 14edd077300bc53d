// What Histran relies on of every event database provider, run against
// both; then what only the shared database does.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <thread>

#include "eventdb/event_database.h"
#include "eventdb/history_store.h"
#include "eventdb/pg_history_store.h"
#include "tests/support/pg_server.h"
#include "tests/support/temp_dir.h"

namespace zelkor::eventdb {
namespace {

enum class Provider { File, Postgres };

std::string pgScript() {
    const char* source = std::getenv("ZELKOR_SOURCE_DIR");
    return std::string(source != nullptr ? source : ".") + "/tests/pg/pg_server.sh";
}

// One store over one connection; several may share a database.
struct OpenStore {
    EventDatabase database;
    std::unique_ptr<EventStore> store;
};

class EventStoreTest : public ::testing::TestWithParam<Provider> {
  protected:
    testing::TempDir dir;
    std::string path = dir.file("Vrak.mdb");
    testing::PgServer server{pgScript()};
    const HistoryFileId file{"History.Log.taken-1", 77, 500};

    void SetUp() override {
        if (GetParam() == Provider::Postgres) {
            ASSERT_TRUE(server.start());
        } else {
            std::string error;
            ASSERT_TRUE(CreateEventDatabase(path, &error)) << error;
        }
    }
    std::unique_ptr<OpenStore> open(const std::string& station = "one") {
        auto opened = std::make_unique<OpenStore>();
        if (GetParam() == Provider::Postgres) {
            auto store = std::make_unique<PgHistoryStore>();
            EXPECT_TRUE(store->open(server.uri(), station)) << store->error();
            opened->store = std::move(store);
        } else {
            auto store = std::make_unique<HistoryStore>();
            EXPECT_TRUE(OpenEventDatabase(opened->database, path));
            EXPECT_TRUE(store->open(opened->database.connection)) << store->error();
            opened->store = std::move(store);
        }
        return opened;
    }
    // What another program sees.
    bool seen(const HistoryEvent& event) {
        bool held = false;
        EXPECT_TRUE(open()->store->holds(event, &held));
        return held;
    }
    int64_t positionSeen(const HistoryFileId& id) {
        int64_t position = -1;
        EXPECT_TRUE(open()->store->position(id, &position));
        return position;
    }
};

TEST_P(EventStoreTest, RowsAndPositionsAreStoredTogetherOnlyByACommit) {
    const HistoryEvent first{"2004/2/3 Detect Time:1:2:3", "/w/e1.bmp", ""};
    const HistoryEvent second{"2004/2/3 Detect Time:1:2:4", "/w/e2.bmp", "/w/e2.avi"};
    {
        auto writer = open();
        ASSERT_TRUE(writer->store->add(first, file, 40));
        EXPECT_FALSE(seen(first));
        // Dropped with its store: an uncommitted group is rolled back.
    }
    EXPECT_FALSE(seen(first));
    EXPECT_EQ(positionSeen(file), 0);

    auto writer = open();
    ASSERT_TRUE(writer->store->add(first, file, 40));
    ASSERT_TRUE(writer->store->add(second, file, 90));
    EXPECT_EQ(writer->store->storedRows(), 0u);
    ASSERT_TRUE(writer->store->commit()) << writer->store->error();
    EXPECT_EQ(writer->store->storedRows(), 2u);
    EXPECT_TRUE(seen(first));
    EXPECT_TRUE(seen(second));
    EXPECT_EQ(positionSeen(file), 90);

    ASSERT_TRUE(writer->store->advance(file, 120));
    ASSERT_TRUE(writer->store->commit());
    EXPECT_EQ(positionSeen(file), 120);
    // Another file under the same name, or a position past the end.
    EXPECT_EQ(positionSeen({file.name, file.inode + 1, file.size}), 0);
    ASSERT_TRUE(writer->store->advance(file, file.size + 1));
    ASSERT_TRUE(writer->store->commit());
    EXPECT_EQ(positionSeen(file), 0);

    ASSERT_TRUE(writer->store->forgetAllBut({"History.Log.taken-2"}));
    ASSERT_TRUE(writer->store->advance(file, 10));
    ASSERT_TRUE(writer->store->commit());
    ASSERT_TRUE(writer->store->forgetAllBut({}));
    EXPECT_EQ(positionSeen(file), 0);
}

TEST_P(EventStoreTest, AnEventIsTheSameDescAndBitmapAlsoInTheOpenGroup) {
    auto writer = open();
    ASSERT_TRUE(writer->store->add({"d", "b", ""}, file, 1));
    ASSERT_TRUE(writer->store->add({"", "e", ""}, file, 2));
    const auto held = [&](std::string_view desc, std::string_view bitmap) {
        bool result = false;
        EXPECT_TRUE(writer->store->holds({desc, bitmap, ""}, &result)) << writer->store->error();
        return result;
    };
    EXPECT_TRUE(held("d", "b"));
    EXPECT_TRUE(held("", "e"));
    EXPECT_FALSE(held("d", "B"));
    EXPECT_FALSE(held("D", "b"));
    EXPECT_FALSE(held("d", "e"));
}

INSTANTIATE_TEST_SUITE_P(Providers, EventStoreTest,
                         ::testing::Values(Provider::File, Provider::Postgres),
                         [](const auto& info) {
                             return info.param == Provider::File ? "File" : "Postgres";
                         });

class SharedEventStoreTest : public ::testing::Test {
  protected:
    testing::TempDir dir;
    testing::PgServer server{pgScript()};
    const HistoryFileId file{"History.Log.taken-1", 77, 500};

    void SetUp() override { ASSERT_TRUE(server.start()); }
};

// Two stations see the same second and number their events alike: both
// rows belong in the table, and each station's History.Log has its own
// position.
TEST_F(SharedEventStoreTest, StationsKeepTheirOwnEventsAndPositions) {
    PgHistoryStore one;
    PgHistoryStore two;
    ASSERT_TRUE(one.open(server.uri(), "one")) << one.error();
    ASSERT_TRUE(two.open(server.uri(), "two")) << two.error();
    const HistoryEvent event{"2004/2/3 Detect Time:1:2:3", "/w/e1.bmp", ""};
    ASSERT_TRUE(one.add(event, file, 40));
    ASSERT_TRUE(one.commit());
    bool held = true;
    ASSERT_TRUE(two.holds(event, &held));
    EXPECT_FALSE(held);
    ASSERT_TRUE(two.add(event, file, 70));
    ASSERT_TRUE(two.commit());
    int64_t position = 0;
    ASSERT_TRUE(one.position(file, &position));
    EXPECT_EQ(position, 40);
    EXPECT_EQ(server.query("SELECT \"Station\" FROM \"History\" ORDER BY \"Id\""), "one\ntwo\n");
}

// The open group goes with the server; what was committed before stays,
// and the store counts only that.
TEST_F(SharedEventStoreTest, AServerThatGoesAwayTakesOnlyTheOpenGroup) {
    const std::string uri = "postgresql://zelkor:s3cret@/zelkor?host=" + server.dir();
    {
        PgHistoryStore store;
        ASSERT_TRUE(store.open(uri, "one")) << store.error();
        ASSERT_TRUE(store.add({"a", "a.bmp", ""}, file, 10));
        ASSERT_TRUE(store.commit());
        ASSERT_TRUE(store.add({"b", "b.bmp", ""}, file, 20));
        server.stop();
        EXPECT_FALSE(store.add({"c", "c.bmp", ""}, file, 30));
        EXPECT_FALSE(store.error().empty());
        EXPECT_EQ(store.error().find("s3cret"), std::string::npos) << store.error();
        EXPECT_TRUE(store.commit());
        EXPECT_EQ(store.storedRows(), 1u);
    }
    ASSERT_TRUE(server.start());
    PgHistoryStore store;
    ASSERT_TRUE(store.open(uri, "one")) << store.error();
    int64_t position = 0;
    ASSERT_TRUE(store.position(file, &position));
    EXPECT_EQ(position, 10);
    EXPECT_EQ(server.query("SELECT \"Desc\" FROM \"History\""), "a\n");
}

TEST_F(SharedEventStoreTest, KeepsThePicturesBytesWhenTheBitmapIsARegularFile) {
    const std::string bitmap = dir.write("e1.bmp", std::string("BM\0\x01\xff", 5));
    const std::string fifo = dir.file("e2.bmp");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    PgHistoryStore store;
    ASSERT_TRUE(store.open(server.uri(), "one")) << store.error();
    ASSERT_TRUE(store.add({"a", bitmap, ""}, file, 1));
    ASSERT_TRUE(store.add({"b", fifo, ""}, file, 2));
    ASSERT_TRUE(store.add({"c", dir.file("gone.bmp"), ""}, file, 3));
    ASSERT_TRUE(store.commit());
    EXPECT_EQ(server.query("SELECT encode(\"Picture\", 'hex') FROM \"History\" "
                           "ORDER BY \"Id\""),
              "424d0001ff\n<null>\n<null>\n");
}

// Two first runs at the same moment both create the tables.
TEST_F(SharedEventStoreTest, TwoFirstOpensAtTheSameMomentBothSucceed) {
    for (int round = 0; round < 5; ++round) {
        server.query("DROP TABLE IF EXISTS \"History\", \"HistoryProgress\"");
        std::string errors[2];
        std::thread threads[2];
        for (int i = 0; i < 2; ++i) {
            threads[i] = std::thread([&, i] {
                PgHistoryStore store;
                if (!store.open(server.uri(), "s" + std::to_string(i))) {
                    errors[i] = store.error();
                }
            });
        }
        for (auto& t : threads) {
            t.join();
        }
        EXPECT_EQ(errors[0] + errors[1], "") << "round " << round;
    }
}

}  // namespace
}  // namespace zelkor::eventdb
