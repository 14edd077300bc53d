#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "eventdb/event_database.h"
#include "tests/support/program_runner.h"
#include "tests/support/temp_dir.h"

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

namespace zelkor::manage {
namespace {

using testing::readText;

// The real manage stays open on a database while Histran appends to it, and
// a second manage refuses to start.
TEST(ManageProgramTest, RunsBesideHistranAndOnlyOnce) {
    testing::TempDir work;
    testing::TempDir runtime;
    std::filesystem::permissions(runtime.path(), std::filesystem::perms::owner_all);
    const std::string registry = runtime.file("registry.reg");
    ASSERT_TRUE(testing::writeProductSettings(registry, work.path(), 1));
    std::string error;
    ASSERT_TRUE(eventdb::CreateEventDatabase(work.file("Vrak.mdb"), &error));
    std::string history;
    for (int i = 1; i <= 5000; ++i) {
        history += "[" + std::to_string(i) + "] [2005/1/1 #" + std::to_string(i) + "] [/e" +
                   std::to_string(i) + ".bmp] []\r\n";
    }
    work.write("History.Log", history);

    testing::Program manage("manage", registry, runtime.path(), runtime.file("manage1.txt"));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ASSERT_TRUE(manage.running()) << readText(runtime.file("manage1.txt"));

    testing::Program histran("Histran", registry, runtime.path(), runtime.file("histran.txt"));
    testing::Program second("manage", registry, runtime.path(), runtime.file("manage2.txt"));
    EXPECT_EQ(second.wait(), 0);
    EXPECT_NE(readText(runtime.file("manage2.txt"))
                  .find("You cannot run Oculara Data Log Management simultaneously"),
              std::string::npos);
    EXPECT_EQ(histran.wait(), 0);
    EXPECT_EQ(readText(runtime.file("histran.txt")), "");
    EXPECT_FALSE(std::filesystem::exists(work.file("History.Log")));
    EXPECT_TRUE(manage.running());

    eventdb::EventDatabase db;
    ASSERT_TRUE(eventdb::OpenEventDatabase(db, work.file("Vrak.mdb")));
    EXPECT_EQ(db.table.recordCount(), 5000);
}

// After the box that says the database cannot be opened, manage ends with
// a failure status, so a script that starts it can tell.
TEST(ManageProgramTest, EndsWithAFailureStatusAfterAnErrorBox) {
    testing::TempDir work;
    testing::TempDir runtime;
    std::filesystem::permissions(runtime.path(), std::filesystem::perms::owner_all);
    const std::string registry = runtime.file("registry.reg");
    ASSERT_TRUE(testing::writeProductSettings(registry, work.path(), 1));
    work.write("Vrak.mdb", "not a database at all, but long enough to be read as one.....");
    testing::Program manage("manage", registry, runtime.path(), runtime.file("manage.txt"));
    EXPECT_EQ(manage.wait(), 1);
    EXPECT_NE(readText(runtime.file("manage.txt")).find("Error occured while Opeing"),
              std::string::npos)
        << readText(runtime.file("manage.txt"));
}

}  // namespace
}  // namespace zelkor::manage
