#include <gtest/gtest.h>

#include <filesystem>

#include "eventdb/connection.h"
#include "eventdb/connection_string.h"
#include "eventdb/event_database.h"
#include "tests/eventdb/exec_sql.h"
#include "tests/eventdb/unprivileged.h"
#include "tests/support/temp_dir.h"

namespace zelkor::eventdb {
namespace {

TEST(ConnectionStringTest, ReadsProviderAndSourceWhateverTheCaseAndBlanks) {
    ConnectionString cs;
    std::string error;
    ASSERT_TRUE(ParseConnectionString("PROVIDER=Microsoft.Jet.OLEDB.3.51;Data Source=/w/Vrak.mdb;",
                                      &cs, &error));
    EXPECT_EQ(cs.provider, "Microsoft.Jet.OLEDB.3.51");
    EXPECT_EQ(cs.dataSource, "/w/Vrak.mdb");

    ASSERT_TRUE(ParseConnectionString(" provider = X ; DATA SOURCE= a b ;User ID=;", &cs, &error));
    EXPECT_EQ(cs.provider, "X");
    EXPECT_EQ(cs.dataSource, "a b");

    ASSERT_TRUE(ParseConnectionString("Data Source='it''s;here'", &cs, &error));
    EXPECT_EQ(cs.dataSource, "it's;here");
}

TEST(ConnectionStringTest, RefusesTextThatIsNotPairs) {
    ConnectionString cs;
    std::string error;
    for (const char* bad :
         {"PROVIDER", "=x;", "Data Source=\"open", "Data Source=\"a\"b;", "PROVIDER=x;junk;"}) {
        error.clear();
        EXPECT_FALSE(ParseConnectionString(bad, &cs, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(ConnectionStringTest, BuiltStringsReadBackTheSamePath) {
    for (const std::string path :
         {"/home/u/Vrak.mdb", "/a;b/Vrak.mdb", " /lead", "\"quoted\"", "/x'y", ""}) {
        const std::string text = BuildConnectionString(kProvider40, path);
        ConnectionString cs;
        std::string error;
        ASSERT_TRUE(ParseConnectionString(text, &cs, &error)) << text;
        EXPECT_EQ(cs.dataSource, path) << text;
        EXPECT_EQ(cs.provider, kProvider40);
    }
    // An ordinary path stands unquoted, as the programs always wrote it.
    EXPECT_EQ(BuildConnectionString(kProvider351, "/w/Vrak.mdb"),
              "PROVIDER=Microsoft.Jet.OLEDB.3.51;Data Source=/w/Vrak.mdb;");
}

// A path that starts with a quote would be read back as a quoted value, so
// it must be quoted itself, whichever quote it starts with.
TEST(ConnectionStringTest, PathsThatBeginWithAQuoteReadBackUnchanged) {
    for (const std::string path : {"'lead", "\"lead", "'", "\"", "''", "'a;b", "'both'", "\"x'"}) {
        const std::string text = BuildConnectionString(kProvider351, path);
        ConnectionString cs;
        std::string error;
        ASSERT_TRUE(ParseConnectionString(text, &cs, &error)) << text << ": " << error;
        EXPECT_EQ(cs.dataSource, path) << text;
    }
}

TEST(ConnectionStringTest, ModeReadAsksForAReadOnlyOpen) {
    ConnectionString cs;
    std::string error;
    ASSERT_TRUE(ParseConnectionString("PROVIDER=P;Data Source=/a;", &cs, &error));
    EXPECT_FALSE(cs.readOnly);
    ASSERT_TRUE(ParseConnectionString("PROVIDER=P;Data Source=/a; mode = read ;", &cs, &error));
    EXPECT_TRUE(cs.readOnly);
    ASSERT_TRUE(ParseConnectionString("Mode=ReadWrite;Data Source=/a;", &cs, &error));
    EXPECT_FALSE(cs.readOnly);
}

// The header bytes that say whether a database keeps a write-ahead log (2)
// or a rollback journal (1).
std::string journalBytes(const std::string& path) {
    const std::string bytes = testing::readText(path);
    return bytes.size() > 19 ? bytes.substr(18, 2) : std::string();
}

// An event database in rollback-journal mode holding one row, as an older
// copy of the file would be.
void makeRollbackDatabase(const std::string& path) {
    std::string error;
    ASSERT_TRUE(CreateEventDatabase(path, &error)) << error;
    testing::execSql(path,
                     "PRAGMA journal_mode=DELETE; INSERT INTO History VALUES ('d', 'b', NULL);");
    ASSERT_EQ(journalBytes(path), std::string("\x01\x01"));
}

// What an unprivileged reader made of a database: whether it opened, and
// then read-only, with how many rows, and whether a delete went through.
std::string browse(const std::string& path) {
    EventDatabase db;
    if (!OpenEventDatabase(db, path)) {
        return "not opened: " + db.connection.error() + db.table.error();
    }
    std::string report = db.connection.readOnly() ? "read-only" : "writable";
    report += ", " + std::to_string(db.table.recordCount()) + " rows";
    report += db.table.deleteCurrent() ? ", deleted" : ", delete refused";
    return report;
}

class ConnectionTest : public ::testing::Test {
  protected:
    testing::TempDir dir;
    std::string db = dir.file("Vrak.mdb");
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(CreateEventDatabase(db, &error)) << error;
    }
};

TEST_F(ConnectionTest, OpensWithEitherKnownProviderOnly) {
    for (const auto provider : {kProvider351, kProvider40}) {
        Connection c;
        EXPECT_TRUE(c.open(BuildConnectionString(provider, db))) << c.error();
        EXPECT_TRUE(c.isOpen());
        c.close();
        EXPECT_FALSE(c.isOpen());
    }
    Connection c;
    EXPECT_FALSE(c.open(BuildConnectionString("Other.Provider", db)));
    EXPECT_EQ(c.error(), "Provider cannot be found. It may not be properly installed.");
}

TEST_F(ConnectionTest, FailsWithADescriptionForMissingOrForeignFilesAndWhenOpen) {
    Connection c;
    EXPECT_FALSE(c.open(BuildConnectionString(kProvider40, dir.file("none.mdb"))));
    EXPECT_NE(c.error().find("none.mdb"), std::string::npos);

    dir.write("text.mdb", std::string(4096, 'x'));
    EXPECT_FALSE(c.open(BuildConnectionString(kProvider40, dir.file("text.mdb"))));
    EXPECT_FALSE(c.error().empty());
    EXPECT_FALSE(c.isOpen());

    ASSERT_TRUE(c.open(BuildConnectionString(kProvider351, db)));
    EXPECT_FALSE(c.open(BuildConnectionString(kProvider40, db)));
    EXPECT_EQ(c.error(), "Operation is not allowed when the object is open.");
    EXPECT_TRUE(c.isOpen());
}

TEST_F(ConnectionTest, ModeReadBrowsesWithoutChangingTheFileOrItsJournalMode) {
    const std::string old = dir.file("old.mdb");
    makeRollbackDatabase(old);
    const std::string before = testing::readText(old);

    Connection c;
    ASSERT_TRUE(c.open(BuildConnectionString(kProvider351, old) + "Mode=Read;")) << c.error();
    EXPECT_TRUE(c.readOnly());
    Recordset rs;
    ASSERT_TRUE(rs.open(c, "History")) << rs.error();
    EXPECT_EQ(rs.recordCount(), 1);
    EXPECT_FALSE(rs.deleteCurrent());
    EXPECT_FALSE(rs.addNew({{"Desc", std::string("x")}}));
    rs.close();
    c.close();
    EXPECT_EQ(testing::readText(old), before);
    EXPECT_FALSE(std::filesystem::exists(old + "-wal"));

    // Without the mode the same file opens for writing, in log mode.
    ASSERT_TRUE(c.open(BuildConnectionString(kProvider351, old))) << c.error();
    EXPECT_FALSE(c.readOnly());
    c.close();
    EXPECT_EQ(journalBytes(old), std::string("\x02\x02"));
}

// A database this process may not write, as a file's mode or as a folder's
// (the copy beside installed programs), is browsed read-only and left as it
// was; a log-mode database there is read without the index file SQLite
// cannot make beside it.
TEST_F(ConnectionTest, AFileOrFolderWeMayNotWriteOpensReadOnly) {
    namespace fs = std::filesystem;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec |
                                    fs::perms::others_exec | fs::perms::group_read |
                                    fs::perms::others_read);
    const std::string fileFolder = dir.file("file");
    const std::string folder = dir.file("folder");
    fs::create_directory(fileFolder);
    fs::create_directory(folder);
    const std::string readOnlyFile = fileFolder + "/Vrak.mdb";
    makeRollbackDatabase(readOnlyFile);
    const std::string inReadOnlyFolder = folder + "/Vrak.mdb";
    std::string error;
    ASSERT_TRUE(CreateEventDatabase(inReadOnlyFolder, &error)) << error;
    testing::execSql(inReadOnlyFolder, "INSERT INTO History VALUES ('d', 'b', NULL);");
    const std::string before = testing::readText(readOnlyFile);

    fs::permissions(readOnlyFile,
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(fileFolder, fs::perms::all);
    fs::permissions(inReadOnlyFolder, fs::perms::owner_read | fs::perms::owner_write |
                                          fs::perms::group_read | fs::perms::group_write |
                                          fs::perms::others_read | fs::perms::others_write);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);
    const auto report = testing::runUnprivileged(
        [&] { return browse(readOnlyFile) + "; " + browse(inReadOnlyFolder); });
    fs::permissions(folder, fs::perms::owner_all);
    if (!report) {
        GTEST_SKIP() << "this process cannot take an unprivileged user's ids";
    }
    EXPECT_EQ(*report, "read-only, 1 rows, delete refused; read-only, 1 rows, delete refused");
    EXPECT_EQ(testing::readText(readOnlyFile), before);
    EXPECT_EQ(journalBytes(readOnlyFile), std::string("\x01\x01"));
}

// A log beside a database that cannot be read without its index file may
// hold rows the file lacks: the open fails rather than show fewer rows.
TEST_F(ConnectionTest, AReadOnlyFolderWithAnUnreadableLogIsRefused) {
    namespace fs = std::filesystem;
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_write |
                                    fs::perms::owner_exec | fs::perms::others_exec);
    const std::string folder = dir.file("folder");
    fs::create_directory(folder);
    const std::string path = folder + "/Vrak.mdb";
    std::string error;
    ASSERT_TRUE(CreateEventDatabase(path, &error)) << error;
    dir.write("folder/Vrak.mdb-wal", "frames");
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                fs::perms::others_exec);
    const auto report = testing::runUnprivileged([&] { return browse(path); });
    fs::permissions(folder, fs::perms::owner_all);
    if (!report) {
        GTEST_SKIP() << "this process cannot take an unprivileged user's ids";
    }
    EXPECT_EQ(report->rfind("not opened: ", 0), 0u) << *report;
}

TEST_F(ConnectionTest, CreateRefusesToReplaceAFile) {
    std::string error;
    EXPECT_FALSE(CreateEventDatabase(db, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(CreateEventDatabase(dir.file("no/such/dir/Vrak.mdb"), &error));
}

}  // namespace
}  // namespace zelkor::eventdb
