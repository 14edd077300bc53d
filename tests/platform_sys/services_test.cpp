#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/disk.h"
#include "platform/fake/fake_disk.h"
#include "platform/fake/fake_power.h"
#include "platform/power.h"
#include "platform/power_share.h"
#include "platform/program_dir.h"
#include "tests/support/temp_dir.h"

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

// One screen, seen by several programs.
class ScreenView : public Power {
  public:
    explicit ScreenView(FakePower& screen) : screen_(screen) {}
    std::optional<bool> powerOffActive() override { return screen_.powerOffActive(); }
    bool setPowerOffActive(bool active) override { return screen_.setPowerOffActive(active); }

  private:
    FakePower& screen_;
};

TEST(SharedPower, OnlyTheLastStationToEndSwitchesTheFeatureBack) {
    FakePower screen;
    screen.active = true;
    testing::TempDir folder;
    const auto station = [&] {
        return sharePower(std::make_unique<ScreenView>(screen), folder.path());
    };
    // As Vorrak starts: the feature off while it runs, when it was on.
    const auto start = [](Power& p) {
        const bool was = p.powerOffActive().value_or(false);
        if (was) {
            p.setPowerOffActive(false);
        }
        return was;
    };
    auto a = station();
    auto b = station();
    EXPECT_TRUE(start(*a));
    EXPECT_TRUE(start(*b)) << "the second finds the state the first found";
    EXPECT_EQ(screen.active, false);
    EXPECT_TRUE(a->setPowerOffActive(true));
    EXPECT_EQ(screen.active, false) << "the first to end leaves it off for the other";
    EXPECT_TRUE(b->setPowerOffActive(true));
    EXPECT_EQ(screen.active, true);

    // A station killed while it held the feature off: the next one to end
    // switches it back.
    auto killed = station();
    EXPECT_TRUE(start(*killed));
    killed.reset();
    EXPECT_EQ(screen.active, false);
    auto next = station();
    EXPECT_TRUE(start(*next));
    EXPECT_TRUE(next->setPowerOffActive(true));
    EXPECT_EQ(screen.active, true);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator{}), 1)
        << "only the lock file is left";
}

}  // namespace
}  // namespace zelkor::platform
