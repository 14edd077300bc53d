#include <gtest/gtest.h>

#include "eventdb/connection.h"
#include "eventdb/connection_string.h"
#include "eventdb/event_database.h"
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

TEST_F(ConnectionTest, CreateRefusesToReplaceAFile) {
    std::string error;
    EXPECT_FALSE(CreateEventDatabase(db, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(CreateEventDatabase(dir.file("no/such/dir/Vrak.mdb"), &error));
}

}  // namespace
}  // namespace zelkor::eventdb
