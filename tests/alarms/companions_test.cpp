// The launchers and monitors with real programs: small scripts that stand
// in for the companions, record what they were given, and stay alive until
// the test lets them end.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "platform/fake/recording_sound.h"
#include "platform/fake/recording_ui.h"
#include "tests/support/temp_dir.h"
#include "vorrak/alarms/alarms.h"

namespace zelkor::vorrak {
namespace {

namespace fs = std::filesystem;
using testing::readText;

// Polls until `happened` holds. Real programs take real time to start and
// end; this waits for that, it does not time anything.
bool eventually(const std::function<bool()>& happened) {
    for (int i = 0; i < 1000; ++i) {
        if (happened()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// A companion: writes its arguments, each followed by '|', to "<itself>.args",
// then runs until "<itself>.release" appears, or until it is removed itself
// (the test's folder went before it saw the release).
std::string writeCompanion(const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "#!/bin/sh\n"
                           "for a in \"$@\"; do printf '%s|' \"$a\"; done > \"$0.part\"\n"
                           "mv \"$0.part\" \"$0.args\"\n"
                           "while [ ! -e \"$0.release\" ] && [ -e \"$0\" ]; do sleep 0.01; done\n";
    fs::permissions(path, fs::perms::owner_all);
    return path.string();
}

class CompanionsTest : public ::testing::Test {
  protected:
    testing::TempDir dir;
    std::unique_ptr<platform::Processes> processes = platform::makeProcesses();
    platform::RecordingUi ui;
    platform::RecordingSound sound;
    AlarmServices services{*processes, ui, sound};
    Companions companions;

    // What the program at `path` was given, once it has started.
    std::string argumentsOf(const std::string& path) {
        EXPECT_TRUE(eventually([&] { return fs::exists(path + ".args"); })) << path;
        const std::string args = readText(path + ".args");
        fs::remove(path + ".args");
        return args;
    }
    void release(const std::string& path) { std::ofstream(path + ".release") << ""; }
};

TEST_F(CompanionsTest, SecondStartWhileTheFirstRunsIsRefusedUntilItEnds) {
    struct Case {
        const char* program;
        int (*launch)(Companions&, AlarmServices&, const std::string&, uint32_t, uint32_t, uint32_t,
                      std::string&);
        int (*done)(Companions&);
        std::string_view note;
    };
    for (const Case& c : {Case{"dial", LaunchDialer, DialerDone, kDialerRunningNote},
                          Case{"email", LaunchMailer, MailerDone, kMailerRunningNote}}) {
        SCOPED_TRACE(c.program);
        const std::string program = writeCompanion(fs::path(dir.path()) / c.program);
        std::string first = "Event 4";
        ASSERT_NE(c.launch(companions, services, dir.path(), 1, 4, 0, first), 0);
        EXPECT_EQ(argumentsOf(program), "4|");
        EXPECT_EQ(c.done(companions), 0);

        std::string second = "Event 5";
        EXPECT_EQ(c.launch(companions, services, dir.path(), 1, 5, 0, second), 0);
        EXPECT_EQ(second, "Event 5" + std::string(c.note));
        EXPECT_TRUE(ui.boxes.empty());

        release(program);
        EXPECT_TRUE(eventually([&] { return c.done(companions) == 1; }));
        fs::remove(program + ".release");
        std::string third = "Event 6";
        ASSERT_NE(c.launch(companions, services, dir.path(), 0, 6, 0, third), 0);
        EXPECT_EQ(argumentsOf(program), "");  // no event number
        EXPECT_EQ(third, "Event 6");
        release(program);
        EXPECT_TRUE(eventually([&] { return c.done(companions) == 1; }));
    }
}

TEST_F(CompanionsTest, SetupWizardIsWatchedUntilItEnds) {
    const std::string wizard = writeCompanion(fs::path(dir.path()) / "VrakSetup");
    ASSERT_NE(LaunchSetupWizard(companions, services, dir.path(), 0), 0);
    EXPECT_EQ(argumentsOf(wizard), "");  // the trailing blank is no argument
    EXPECT_EQ(SetupWizardDone(companions), 0);
    EXPECT_EQ(LaunchSetupWizard(companions, services, dir.path(), 0), 0);
    release(wizard);
    EXPECT_TRUE(eventually([&] { return SetupWizardDone(companions) == 1; }));
}

TEST_F(CompanionsTest, MissingCompanionsAreReportedAsTheirFailures) {
    std::string description = "Event 1";
    EXPECT_EQ(LaunchDialer(companions, services, dir.path(), 1, 1, 1, description), 0);
    EXPECT_EQ(LaunchHistran(services, dir.path(), 1, 1), 0);
    EXPECT_EQ(description, "Event 1" + std::string(kDialerFailedNote));
    ASSERT_EQ(ui.texts(), (std::vector<std::string>{std::string(kDialerFailedMessage),
                                                    std::string(kHistranFailedMessage)}));
}

TEST_F(CompanionsTest, PictureViewerWithBlanksInItsPathGetsThePictureWhole) {
    // "My" beside "My Viewer" is a folder: the shorter reading is no program.
    fs::create_directories(fs::path(dir.path()) / "My");
    const std::string viewer = writeCompanion(fs::path(dir.path()) / "My Viewer" / "view");
    release(viewer);
    const std::string picture = dir.file("manual 7.bmp");
    ASSERT_NE(ShowPicture(services, viewer, picture), 0);
    EXPECT_EQ(argumentsOf(viewer), picture + "|");
    EXPECT_TRUE(ui.boxes.empty());

    EXPECT_EQ(ShowPicture(services, dir.file("My Viewer/none"), picture), 0);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{std::string(kViewerFailedMessage)});
}

TEST_F(CompanionsTest, AlarmProgramStartsAsWritten) {
    const std::string alarm = writeCompanion(fs::path(dir.path()) / "Alarm Tools" / "alarm");
    release(alarm);
    std::string description;
    ASSERT_NE(LaunchAlarmProgram(services, alarm + " --room \"hall 2\"", 1, description), 0);
    EXPECT_EQ(argumentsOf(alarm), "--room|hall 2|");
}

}  // namespace
}  // namespace zelkor::vorrak
