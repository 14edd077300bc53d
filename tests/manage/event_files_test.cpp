#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "manage/event_files.h"
#include "tests/support/temp_dir.h"

namespace zelkor::manage {
namespace {

namespace fs = std::filesystem;

TEST(EventFileNameTest, AcceptsTheNamesOfEventPicturesAndClipsOnly) {
    for (const char* name :
         {"error0.bmp", "error12.bmp", "err3.bmp", "error7.avi", "manual0.bmp", "manual15.avi"}) {
        EXPECT_TRUE(IsEventFileName(name)) << name;
    }
    for (const char* name :
         {"", "error.bmp", "err1.avi", "manual1.wav", "error1.bmp.txt", "xerror1.bmp",
          "error-1.bmp", "error1a.bmp", "error 1.bmp", "Error1.bmp", "error1.BMP", "work0.bmp",
          "Vrak.mdb", ".bmp", "error.avi"}) {
        EXPECT_FALSE(IsEventFileName(name)) << name;
    }
}

class RemoveEventFileTest : public ::testing::Test {
  protected:
    testing::TempDir work;
    testing::TempDir outside;
    std::string error;

    void SetUp() override { fs::create_directory(work.file("run")); }
    FileRemoval remove(const std::string& path) {
        return RemoveEventFile(work.path(), path, &error);
    }
};

TEST_F(RemoveEventFileTest, RemovesEventFilesAtAnyDepthOfTheWorkingDirectory) {
    const std::string top = work.write("error1.bmp", "BM");
    const std::string deeper = work.write("run/manual2.avi", "RIFF");
    EXPECT_EQ(remove(top), FileRemoval::Removed);
    EXPECT_EQ(remove(deeper), FileRemoval::Removed);
    EXPECT_FALSE(fs::exists(top));
    EXPECT_FALSE(fs::exists(deeper));
    EXPECT_EQ(remove(top), FileRemoval::Missing);

    // A working directory named through a link holds the same files.
    const std::string linked = outside.file("work-link");
    fs::create_directory_symlink(work.path(), linked);
    const std::string file = work.write("run/err3.bmp", "BM");
    EXPECT_EQ(RemoveEventFile(linked, linked + "/run/err3.bmp", &error), FileRemoval::Removed);
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(RemoveEventFileTest, KeepsWhatIsNotAnEventFileOfTheWorkingDirectory) {
    const std::string elsewhere = outside.write("error1.bmp", "BM");
    const std::string notes = work.write("notes.txt", "keep");
    const std::string database = work.write("Vrak.mdb", "db");
    const std::string escape =
        work.path() + "/run/../../" + fs::path(outside.path()).filename().string() + "/error1.bmp";
    fs::create_directory(work.file("error6.avi"));
    ASSERT_EQ(::mkfifo(work.file("manual1.avi").c_str(), 0600), 0);

    for (const std::string& path :
         {elsewhere, notes, database, escape, work.file("error6.avi"), work.file("manual1.avi")}) {
        EXPECT_EQ(remove(path), FileRemoval::Kept) << path;
        EXPECT_TRUE(fs::exists(fs::symlink_status(path))) << path;
    }

    // A folder whose name begins with the working directory's is not in it.
    const std::string base = outside.file("w");
    fs::create_directories(base + "x");
    fs::create_directory(base);
    const std::string beside = outside.write("wx/error2.bmp", "BM");
    EXPECT_EQ(RemoveEventFile(base, beside, &error), FileRemoval::Kept);
    EXPECT_TRUE(fs::exists(beside));
}

TEST_F(RemoveEventFileTest, FollowsLinksAndJudgesWhereTheyLead) {
    const std::string secret = outside.write("secret.txt", "keep");
    fs::create_symlink(secret, work.file("error4.bmp"));
    fs::create_directory_symlink(outside.path(), work.file("run/away"));
    const std::string awayFile = outside.write("error7.bmp", "BM");
    EXPECT_EQ(remove(work.file("error4.bmp")), FileRemoval::Kept);
    EXPECT_EQ(remove(work.file("run/away/error7.bmp")), FileRemoval::Kept);
    EXPECT_TRUE(fs::exists(secret));
    EXPECT_TRUE(fs::exists(awayFile));

    // A link inside that leads to an event file inside: the file goes.
    const std::string target = work.write("run/error5.bmp", "BM");
    fs::create_symlink(target, work.file("shortcut"));
    EXPECT_EQ(remove(work.file("shortcut")), FileRemoval::Removed);
    EXPECT_FALSE(fs::exists(target));
    // A dangling link leads to nothing to remove.
    EXPECT_EQ(remove(work.file("shortcut")), FileRemoval::Missing);
}

}  // namespace
}  // namespace zelkor::manage
