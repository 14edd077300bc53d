#include <gtest/gtest.h>

#include <sqlite3.h>

#include "eventdb/connection_string.h"
#include "eventdb/event_database.h"
#include "platform/fake/memory_registry.h"
#include "tests/support/temp_dir.h"

namespace zelkor::eventdb {
namespace {

TEST(ReadProductSettingsTest, FallsBackToTheProgramFolderAndOptionOff) {
    platform::MemoryRegistry reg;
    ProductSettings s = ReadProductSettings(reg, "/prog");
    EXPECT_EQ(s.workingDirectory, "/prog");
    EXPECT_FALSE(s.useAccess);

    reg.putNumber(kProductKey, "USEACCESS", 0);
    s = ReadProductSettings(reg, "/prog");
    EXPECT_EQ(s.workingDirectory, "/prog");
    EXPECT_FALSE(s.useAccess);

    reg.putNumber(kProductKey, "USEACCESS", 7);
    reg.putText(kProductKey, "WORKINGDIR", "/work");
    s = ReadProductSettings(reg, "/prog");
    EXPECT_EQ(s.workingDirectory, "/work");
    EXPECT_TRUE(s.useAccess);
}

TEST(ReadProductSettingsTest, WorkingDirLongerThan254CharactersIsIgnored) {
    platform::MemoryRegistry reg;
    const std::string fits = "/" + std::string(253, 'w');
    reg.putText(kProductKey, "WORKINGDIR", fits);
    EXPECT_EQ(ReadProductSettings(reg, "/prog").workingDirectory, fits);
    reg.putText(kProductKey, "WORKINGDIR", fits + "x");
    EXPECT_EQ(ReadProductSettings(reg, "/prog").workingDirectory, "/prog");
}

TEST(JoinPathTest, AddsOneSeparator) {
    EXPECT_EQ(JoinPath("/w", "Vrak.mdb"), "/w/Vrak.mdb");
    EXPECT_EQ(JoinPath("/w/", "Vrak.mdb"), "/w/Vrak.mdb");
    EXPECT_EQ(JoinPath("", "Vrak.mdb"), "Vrak.mdb");
}

TEST(OpenEventDatabaseTest, AFileWithoutTheTableFailsBothAttemptsAndStaysConnected) {
    testing::TempDir dir;
    const std::string path = dir.file("Vrak.mdb");
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    sqlite3_exec(raw, "CREATE TABLE Other (x TEXT)", nullptr, nullptr, nullptr);
    sqlite3_close(raw);

    EventDatabase db;
    EXPECT_FALSE(OpenEventDatabase(db, path));
    EXPECT_TRUE(db.connection.isOpen());
    EXPECT_EQ(db.connection.provider(), kProvider351);
    EXPECT_FALSE(db.table.isOpen());
}

TEST(OpenEventDatabaseTest, OpensTheTableOfANewDatabase) {
    testing::TempDir dir;
    const std::string path = dir.file("Vrak.mdb");
    std::string error;
    ASSERT_TRUE(CreateEventDatabase(path, &error));
    EventDatabase db;
    ASSERT_TRUE(OpenEventDatabase(db, path));
    EXPECT_EQ(db.connection.provider(), kProvider351);
    EXPECT_EQ(db.table.recordCount(), 0);
    EXPECT_EQ(db.table.columns(), (std::vector<std::string>{"Desc", "Bitmap", "Video"}));
    EventDatabase missing;
    EXPECT_FALSE(OpenEventDatabase(missing, dir.file("gone.mdb")));
}

}  // namespace
}  // namespace zelkor::eventdb
