#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/disk.h"
#include "platform/fake/fake_disk.h"
#include "platform/power.h"
#include "platform/program_dir.h"

namespace zelkor::platform {
namespace {

namespace fs = std::filesystem;

TEST(Disk, FreeSpaceAndFileSizes) {
    const fs::path file = fs::temp_directory_path() / ("zelkor_disk_" + std::to_string(getpid()));
    std::ofstream(file) << std::string(1234, 'x');
    auto disk = makeDisk();
    EXPECT_EQ(disk->fileBytes(file.string()), 1234u);
    EXPECT_EQ(disk->fileBytes((file / "none").string()), std::nullopt);
    EXPECT_EQ(disk->fileBytes(fs::temp_directory_path().string()), std::nullopt);  // a folder
    const auto free = disk->freeBytes(fs::temp_directory_path().string());
    ASSERT_TRUE(free);
    EXPECT_EQ(*free, uint64_t(fs::space(fs::temp_directory_path()).available));
    // A file not written yet is on its folder's file system; a missing
    // folder is on none.
    EXPECT_TRUE(disk->freeBytes((fs::temp_directory_path() / "zelkor_clip_to_be.avi").string())
                    .has_value());
    EXPECT_EQ(disk->freeBytes("/nonexistent/zelkor"), std::nullopt);
    fs::remove(file);
}

TEST(FakeDisk, LongestPrefixAnswers) {
    FakeDisk disk;
    disk.setFreeBytes("/", 100);
    disk.setFreeBytes("/work/events", 5);
    disk.setFreeBytes("/work/broken", std::nullopt);
    disk.setFileBytes("/work/events/clip1.avi", 7000);
    EXPECT_EQ(disk.freeBytes("/work/events/x"), 5u);
    EXPECT_EQ(disk.freeBytes("/work/other"), 100u);
    EXPECT_EQ(disk.freeBytes("/work/broken/x"), std::nullopt);
    EXPECT_EQ(disk.fileBytes("/work/events/clip1.avi"), 7000u);
    EXPECT_EQ(disk.fileBytes("/work/events/clip2.avi"), std::nullopt);
}

TEST(ProgramDirectory, IsTheFolderOfThisProgram) {
    const std::string dir = programDirectory();
    EXPECT_EQ(fs::path(dir), fs::canonical("/proc/self/exe").parent_path());
    EXPECT_NE(dir.back(), '/');
}

TEST(Power, WithoutADisplayNothingIsActiveAndNothingChanges) {
    const char* saved = std::getenv("DISPLAY");
    const std::string keep = saved != nullptr ? saved : "";
    unsetenv("DISPLAY");
    auto power = makePower();
    EXPECT_EQ(power->powerOffActive(), false);
    EXPECT_FALSE(power->setPowerOffActive(true));
    EXPECT_EQ(power->powerOffActive(), false);
    if (saved != nullptr) {
        setenv("DISPLAY", keep.c_str(), 1);
    }
}

}  // namespace
}  // namespace zelkor::platform
