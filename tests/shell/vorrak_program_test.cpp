// The real Vorrak on the virtual card, offscreen with boxes on the console:
// each refusal of a start with its text and exit code, one program per
// window class, a guard run on the walker scene ended from outside, and
// what the run leaves for Histran.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "platform/instance.h"
#include "platform/registry.h"
#include "tests/support/program_runner.h"
#include "tests/support/temp_dir.h"
#include "vorrak/config/settings_store.h"
#include "vorrak/guard/event_history.h"
#include "vorrak/hardware/detection.h"
#include "vorrak/livevideo/livevideo.h"
#include "vorrak/resources/strings.h"
#include "vorrak/shell/startup.h"

namespace zelkor::vorrak {
namespace {

namespace fs = std::filesystem;
using testing::Program;

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

std::vector<std::string> storedDescriptions(const std::string& db) {
    std::vector<std::string> rows;
    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(db.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(raw, 5000);
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(raw, "SELECT Desc FROM History", -1, &stmt, nullptr) == SQLITE_OK) {
            while (sqlite3_step(stmt) == SQLITE_ROW) {
                const auto* text = sqlite3_column_text(stmt, 0);
                rows.emplace_back(text != nullptr ? reinterpret_cast<const char*>(text) : "");
            }
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(raw);
    return rows;
}

class VorrakProgramTest : public ::testing::Test {
  protected:
    VorrakProgramTest()
        : registry(dir.path() + "/registry.reg"),
          runtime(dir.path() + "/runtime"),
          work(dir.path() + "/work"),
          vcard(dir.path() + "/vcard.ini") {
        fs::create_directory(runtime);
        chmod(runtime.c_str(), 0700);
        instances = platform::makeInstances(runtime);
        scene("walker");
    }

    void scene(const std::string& name, const std::string& card = "",
               const std::string& display = "") {
        std::ofstream(vcard) << "[card]\n"
                             << card << "\n[composite]\nsource = scene:" << name << "\n[display]\n"
                             << display << "\n";
    }
    // The installation as the setup wizard leaves it, plus `settings`.
    void setUp(std::vector<std::string> settings = {}) {
        std::vector<std::string> args = {"--workdir", work, "--no-password"};
        args.insert(args.end(), settings.begin(), settings.end());
        Program setup("VrakSetup", registry, runtime, dir.path() + "/setup.err",
                      testing::Screen::None, args);
        ASSERT_EQ(setup.wait(), 0) << testing::readText(dir.path() + "/setup.err");
    }
    void setDirectX(const std::string& version) {
        auto key = platform::openFileRegistry(registry)->createKey(resources::kDirectXKey);
        ASSERT_TRUE(key && platform::setText(*key, resources::kDirectXVersionValue, version));
    }
    std::unique_ptr<Program> start(const std::string& errName = "vorrak.err") {
        return std::make_unique<Program>("Vorrak", registry, runtime, dir.path() + "/" + errName,
                                         testing::Screen::Offscreen, std::vector<std::string>{},
                                         std::vector<std::string>{"ZELKOR_VCARD=" + vcard});
    }
    std::string boxes(const std::string& errName = "vorrak.err") {
        return testing::readText(dir.path() + "/" + errName);
    }
    bool running() {
        return waitFor([&] { return instances->exists(kVorrakClass); }, 20000);
    }
    int send(const std::string& className, const std::string& id) {
        Program sender(testing::binDir() + "/sendcommand", registry, runtime,
                       dir.path() + "/send.err", testing::Screen::None, {className, id});
        return sender.wait();
    }
    // Refused with `text`, exit code 0, and no window class left held.
    void expectRefused(const std::string_view text) {
        auto vorrak = start();
        EXPECT_EQ(vorrak->wait(), 0);
        EXPECT_NE(boxes().find(std::string(text)), std::string::npos) << boxes();
        EXPECT_FALSE(instances->exists(kVorrakClass));
    }
    std::string history() const { return work + "/" + std::string(resources::kHistoryFileName); }
    std::string database() const { return work + "/" + std::string(resources::kDatabaseFileName); }

    testing::TempDir dir;
    std::string registry;
    std::string runtime;
    std::string work;
    std::string vcard;
    std::unique_ptr<platform::Instances> instances;
};

TEST_F(VorrakProgramTest, RefusesACardWithoutDecoder) {
    setUp();
    scene("walker", "decoder = no");
    expectRefused(DecoderMissingMessage);
}

TEST_F(VorrakProgramTest, RefusesWhileTheOtherProgramsOfTheCardRun) {
    setUp();
    for (const auto& [className, text] : {std::pair{kLiveClass, kLiveRunningMessage},
                                          std::pair{kRecorderClass, kRecorderRunningMessage}}) {
        auto other = instances->claim(className);
        ASSERT_TRUE(other);
        expectRefused(text);
    }
}

TEST_F(VorrakProgramTest, RefusesWithoutDisplayLibraryOrBelowSix) {
    ASSERT_TRUE(testing::writeProductSettings(registry, work, 0));
    fs::create_directory(work);
    expectRefused(kDirectXMessage);
    setDirectX("4.05.01.1998");
    expectRefused(kDirectXMessage);
}

TEST_F(VorrakProgramTest, WithoutSettingsEndsWithOneAfterSayingSo) {
    setDirectX("4.09.00.0904");
    auto vorrak = start();
    EXPECT_EQ(vorrak->wait(), 1);
    EXPECT_NE(boxes().find(std::string(kNotInstalledMessage)), std::string::npos) << boxes();
    EXPECT_FALSE(instances->exists(kVorrakClass));
}

TEST_F(VorrakProgramTest, RefusesAHistoryFileThatCannotBeWritten) {
    setUp();
    fs::create_directory(history());
    expectRefused(kHistoryOpenFailedMessage);
}

TEST_F(VorrakProgramTest, SecondStartIsRefusedAndTheFirstEndsOnCommand) {
    scene("static");
    setUp();
    auto first = start("first.err");
    ASSERT_TRUE(running()) << boxes("first.err");
    auto second = start("second.err");
    EXPECT_EQ(second->wait(), 0);
    EXPECT_NE(boxes("second.err").find(std::string(kAnotherVorrakMessage)), std::string::npos)
        << boxes("second.err");
    EXPECT_TRUE(first->running());
    EXPECT_EQ(send(std::string(kVorrakClass), "40004"), 0);
    EXPECT_EQ(first->wait(), 0);
    EXPECT_FALSE(instances->exists(kVorrakClass));
}

TEST_F(VorrakProgramTest, AnInstanceFolderOthersCanWriteIsAFaultNotAnotherVorrak) {
    setUp();
    chmod(runtime.c_str(), 0777);
    auto vorrak = start();
    EXPECT_EQ(vorrak->wait(), 0);
    EXPECT_NE(boxes().find(std::string(kInstanceFaultMessage)), std::string::npos) << boxes();
    EXPECT_EQ(boxes().find(std::string(kAnotherVorrakMessage)), std::string::npos) << boxes();
}

TEST_F(VorrakProgramTest, AKilledVorrakDoesNotRefuseTheNextStart) {
    scene("static");
    setUp();
    auto killed = start("killed.err");
    ASSERT_TRUE(running());
    killed->killHard();
    killed->wait();
    auto next = start();
    ASSERT_TRUE(running());
    EXPECT_EQ(send(std::string(kVorrakClass), "40004"), 0);
    EXPECT_EQ(next->wait(), 0);
    EXPECT_EQ(boxes().find(std::string(kAnotherVorrakMessage)), std::string::npos) << boxes();
}

TEST_F(VorrakProgramTest, GuardRunOnTheWalkerRaisesEventsThatHistranStores) {
    setUp({"RUNSTARTUP=1", "USEACCESS=1"});
    auto vorrak = start();
    ASSERT_TRUE(running()) << boxes();
    // An event's line is written when the event is complete.
    ASSERT_TRUE(waitFor(
        [&] {
            const auto lines = testing::readLines(history());
            return !lines.empty() && lines[0].rfind("[1] [", 0) == 0;
        },
        40000))
        << boxes();
    EXPECT_EQ(send(std::string(kVorrakClass), "40004"), 0);
    EXPECT_EQ(vorrak->wait(), 0) << boxes();

    // Histran, started from the program folder, takes the history over.
    ASSERT_TRUE(waitFor([&] { return !fs::exists(history()); }, 20000));
    const auto rows = storedDescriptions(database());
    ASSERT_FALSE(rows.empty());
    EXPECT_NE(rows[0].find("Detect Time:"), std::string::npos) << rows[0];
    // The event pictures are in this run's event folder.
    int bitmaps = 0;
    for (const auto& entry : fs::recursive_directory_iterator(work)) {
        bitmaps += entry.path().extension() == ".bmp" ? 1 : 0;
    }
    EXPECT_GE(bitmaps, 1);
    // The work frames are gone.
    EXPECT_FALSE(fs::exists(work + "/work0.bmp"));
    EXPECT_FALSE(fs::exists(work + "/work1.bmp"));
}

TEST_F(VorrakProgramTest, WithoutAnEventHistranIsNotStarted) {
    scene("static");
    setUp({"RUNSTARTUP=1", "USEACCESS=1"});
    auto vorrak = start();
    ASSERT_TRUE(running());
    std::this_thread::sleep_for(std::chrono::seconds(2));
    EXPECT_EQ(send(std::string(kVorrakClass), "40004"), 0);
    EXPECT_EQ(vorrak->wait(), 0) << boxes();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const auto lines = testing::readLines(history());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("[1] [ . End of this work at ", 0), 0u) << lines[0];
    EXPECT_TRUE(storedDescriptions(database()).empty());
}

TEST_F(VorrakProgramTest, InterruptEndsNormallyButTerminationSkipsTheExitSequence) {
    scene("static");
    setUp();
    auto interrupted = start();
    ASSERT_TRUE(running());
    interrupted->sendSignal(SIGINT);
    EXPECT_EQ(interrupted->wait(), 0);
    ASSERT_EQ(testing::readLines(history()).size(), 1u);

    auto terminated = start();
    ASSERT_TRUE(running());
    terminated->sendSignal(SIGTERM);
    EXPECT_EQ(terminated->wait(), 0);
    // No second end-of-work line: the session ended under the program.
    EXPECT_EQ(testing::readLines(history()).size(), 1u);
    EXPECT_FALSE(instances->exists(kVorrakClass));
}

// What the display device and its driver report decides the start: a
// missing part refuses it before the window, an overlay that cannot be made
// ends it after the window showed, a port that does not start is only told.
TEST_F(VorrakProgramTest, DisplayFaultsAreToldAtStartUp) {
    setUp();
    scene("static", "", "video_port = no");
    expectRefused(kNoVideoPortMessage);
    scene("static", "", "overlay = no");
    expectRefused(kNoOverlayMessage);
    scene("static", "", "auto_flip = no");
    expectRefused(kBandwidthMessage);
}

TEST_F(VorrakProgramTest, APortThatDoesNotStartIsToldAndTheProgramRuns) {
    scene("static", "", "port_start_fails = yes");
    setUp();
    auto vorrak = start();
    ASSERT_TRUE(running()) << boxes();
    ASSERT_TRUE(waitFor(
        [&] { return boxes().find(std::string(kStartPortFailedMessage)) != std::string::npos; },
        20000))
        << boxes();
    EXPECT_TRUE(vorrak->running());
    EXPECT_EQ(send(std::string(kVorrakClass), "40004"), 0);
    EXPECT_EQ(vorrak->wait(), 0);
}

// A card configuration that cannot be used ends the program before any
// window: the reason must reach a desktop user as a box, not only stderr.
TEST_F(VorrakProgramTest, ABadCardConfigurationIsToldInABox) {
    const std::string title = std::string(resources::kTitle) + ": ";
    std::ofstream(vcard) << "[composite\n";
    auto malformed = start();
    EXPECT_EQ(malformed->wait(), 1);
    EXPECT_NE(boxes().find(title + vcard + ", line 1"), std::string::npos) << boxes();
    fs::remove(vcard);
    auto missing = start("missing.err");
    EXPECT_EQ(missing->wait(), 1);
    EXPECT_NE(boxes("missing.err").find(title + vcard), std::string::npos) << boxes("missing.err");
}

TEST(VorrakInstallationTest, TheHelpPageLiesBesideThePrograms) {
    const std::string page = HelpPathOf(testing::binDir(), '/');
    ASSERT_TRUE(fs::is_regular_file(page)) << page;
    EXPECT_NE(testing::readText(page).find("<kbd>F2</kbd>"), std::string::npos);
}

TEST_F(VorrakProgramTest, SendCommandTellsWhenNothingRunsAndRefusesBadArguments) {
    EXPECT_EQ(send(std::string(kVorrakClass), "40004"), 1);
    EXPECT_NE(testing::readText(dir.path() + "/send.err").find("no program of class ZelkorVorrak"),
              std::string::npos);
    EXPECT_EQ(send(std::string(kVorrakClass), "4000x"), 2);
    EXPECT_EQ(send(std::string(kVorrakClass), "-1"), 2);
    EXPECT_EQ(send(std::string(kVorrakClass), "4294967296"), 2);
    EXPECT_EQ(send("a/b", "40004"), 2);
}

}  // namespace
}  // namespace zelkor::vorrak
