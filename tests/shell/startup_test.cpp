// Start-up and exit of Vorrak below the windows: the program folder and
// help page, the display library's version, the video port's field height,
// the checks that refuse a start, and the exit sequence, on the virtual
// card with the guard engine running in virtual time.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/guard_engine/engine_rig.h"
#include "tests/shell/no_live_video.h"
#include "tests/support/temp_dir.h"
#include "vorrak/config/settings_store.h"
#include "vorrak/resources/strings.h"
#include "vorrak/shell/startup.h"

namespace zelkor::vorrak {
namespace {

TEST(ProgramDirTest, ComesFromTheCommandLineBeforeItsLastBackslash) {
    EXPECT_EQ(ProgramDirFromCommandLine("\"C:\\Tools\\Vorrak.exe\""), "C:\\Tools");
    EXPECT_EQ(ProgramDirFromCommandLine("C:\\Tools\\Vorrak.exe"), "C:\\Tools");
    // The arguments are searched too.
    EXPECT_EQ(ProgramDirFromCommandLine("C:\\Tools\\Vorrak.exe d:\\x\\y"),
              "C:\\Tools\\Vorrak.exe d:\\x");
    // No backslash, or only one in front: the root of drive c.
    EXPECT_EQ(ProgramDirFromCommandLine("Vorrak.exe"), "c:\\");
    EXPECT_EQ(ProgramDirFromCommandLine("\\Vorrak.exe"), "c:\\");
    EXPECT_EQ(ProgramDirFromCommandLine(""), "c:\\");
}

TEST(ProgramDirTest, ReadsOnlyTheFirst255Characters) {
    const std::string dir(200, 'd');
    const std::string line = dir + "\\" + std::string(100, 'x') + "\\tail";
    EXPECT_EQ(ProgramDirFromCommandLine(line), dir);
}

TEST(ProgramDirTest, HelpPageLiesInTheHelpFolder) {
    EXPECT_EQ(HelpPathOf(ProgramDirFromCommandLine("Vorrak.exe"), '\\'), "c:\\\\Help\\Help.htm");
    EXPECT_EQ(HelpPathOf("C:\\Tools", '\\'), "C:\\Tools\\Help\\Help.htm");
    EXPECT_EQ(HelpPathOf("/opt/oculara", '/'), "/opt/oculara/Help/Help.htm");
}

TEST(DirectXVersionTest, ReadsMajorAndTwoMinorDigits) {
    EXPECT_EQ(DirectXVersionNumber("4.06.02.0436"), 406);
    EXPECT_EQ(DirectXVersionNumber("4.05.01.1998"), 405);
    EXPECT_EQ(DirectXVersionNumber("4.09.00.0904"), 409);
    EXPECT_EQ(DirectXVersionNumber("4.06"), 406);
    EXPECT_EQ(DirectXVersionNumber("4.0"), -1);
    EXPECT_EQ(DirectXVersionNumber(""), -1);
    EXPECT_EQ(DirectXVersionNumber("4.x6"), -1);
    EXPECT_EQ(DirectXVersionNumber("four"), -1);
}

TEST(VideoPortTest, FieldHeightFollowsTheStandardsFieldRate) {
    DisplayChipInfo chip;
    chip.fieldHeight60 = 242;
    chip.fieldHeight50 = 288;
    for (const uint32_t standard : {0u, 1u, 2u, 4u}) {
        EXPECT_EQ(MakeVideoPortParams(standard, chip).fieldHeight, 242u) << standard;
    }
    for (const uint32_t standard : {3u, 5u, 6u, 7u}) {
        EXPECT_EQ(MakeVideoPortParams(standard, chip).fieldHeight, 288u) << standard;
    }
    const VideoPortParams p = MakeVideoPortParams(0, chip);
    EXPECT_EQ(p.fieldWidth, 720u);
    EXPECT_EQ(p.portWidth, 8u);
    EXPECT_EQ(p.connectionFlags, 0x21u);
    EXPECT_EQ(p.fourCC, formats::fourcc("UYVY"));
}

class StartupCheckTest : public ::testing::Test {
  protected:
    void SetUp() override {
        rig.registry.putText(resources::kDirectXKey, resources::kDirectXVersionValue,
                             resources::kInstalledDirectXVersion);
    }
    bool check() { return CheckStartup(rig.vorrak, *rig.services, rig.card->pci()); }

    test::EngineRig rig;
};

TEST_F(StartupCheckTest, ASetUpMachinePassesAndHoldsTheWindowClass) {
    ASSERT_TRUE(check());
    EXPECT_TRUE(rig.instances.exists(kVorrakClass));
    EXPECT_TRUE(rig.boxTexts().empty());
    rig.vorrak.instance.reset();
    EXPECT_FALSE(rig.instances.exists(kVorrakClass));
}

TEST_F(StartupCheckTest, EachOtherProgramRefusesWithItsOwnText) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {kVorrakClass, kAnotherVorrakMessage},
        {kLiveClass, kLiveRunningMessage},
        {kRecorderClass, kRecorderRunningMessage},
    };
    for (const auto& [className, text] : cases) {
        rig.ui.boxes.clear();
        auto other = rig.instances.claim(className);
        ASSERT_TRUE(other);
        EXPECT_FALSE(check()) << className;
        ASSERT_EQ(rig.boxTexts().size(), 1u);
        EXPECT_EQ(rig.boxTexts()[0], text);
        // A refused start keeps no claim of its own.
        EXPECT_FALSE(rig.vorrak.instance);
        other.reset();
        EXPECT_TRUE(rig.instances.held.empty()) << className;
    }
}

TEST_F(StartupCheckTest, DisplayLibraryBelowSixOrMissingRefuses) {
    for (const char* version : {"4.05.01.1998", "3.9", ""}) {
        rig.ui.boxes.clear();
        rig.registry.putText(resources::kDirectXKey, resources::kDirectXVersionValue, version);
        EXPECT_FALSE(check()) << version;
        ASSERT_EQ(rig.boxTexts().size(), 1u);
        EXPECT_EQ(rig.boxTexts()[0], kDirectXMessage);
        EXPECT_TRUE(rig.instances.held.empty());
    }
    for (const char* version : {"4.06.00.0318", "4.07.00.0700"}) {
        rig.registry.putText(resources::kDirectXKey, resources::kDirectXVersionValue, version);
        EXPECT_TRUE(check()) << version;
        rig.vorrak.instance.reset();
    }
}

TEST(StartupCheckMissingKeyTest, NoDisplayLibraryKeyRefuses) {
    test::EngineRig rig;
    EXPECT_FALSE(CheckStartup(rig.vorrak, *rig.services, rig.card->pci()));
    ASSERT_EQ(rig.boxTexts().size(), 1u);
    EXPECT_EQ(rig.boxTexts()[0], kDirectXMessage);
}

class ExitSequenceTest : public ::testing::Test {
  protected:
    ExitSequenceTest() {
        rig.vorrak.ProgramDir = "/opt/oculara";
        rig.registry.putNumber(kProductKey, resources::kUseAccessValue, 1);
        rig.vorrak.settings.USEACCESS = 1;
    }
    void runUntilEvent() {
        rig.start();
        for (int i = 0; i < 120 && rig.vorrak.guard.EventNumber == 0; ++i) {
            rig.run(500);
        }
        ASSERT_GE(rig.vorrak.guard.EventNumber, 1u);
    }
    bool histranStarted() const {
        for (const auto& line : rig.recordedProcesses.commandLines) {
            if (line.find("Histran") != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    test::EngineRig rig;
};

TEST_F(ExitSequenceTest, AfterEventsEndsTheHistoryThenStartsHistran) {
    runUntilEvent();
    rig.vorrak.PowerOffWasActive = true;
    rig.power.active = false;
    ASSERT_TRUE(std::filesystem::exists(rig.vorrak.files.workFile0));

    EXPECT_EQ(ExitSequence(rig.vorrak, *rig.services), 0);

    EXPECT_EQ(rig.vorrak.guardMode.active, 0u);
    const auto lines = testing::readLines(rig.vorrak.files.historyFile);
    ASSERT_FALSE(lines.empty());
    const std::string end =
        "[" + std::to_string(rig.vorrak.guard.EventNumber + 1) + "] [ . End of this work at ";
    EXPECT_EQ(lines.back().rfind(end, 0), 0u) << lines.back();
    EXPECT_FALSE(rig.vorrak.history.open);
    EXPECT_TRUE(histranStarted());
    EXPECT_EQ(rig.power.changes, std::vector<bool>{true});
    // Decoder output off.
    EXPECT_EQ(rig.card->decoder()->reg(0x11), 0x84);
    EXPECT_FALSE(std::filesystem::exists(rig.vorrak.files.workFile0));
    EXPECT_FALSE(std::filesystem::exists(rig.vorrak.files.workFile1));
}

TEST_F(ExitSequenceTest, WithoutAnEventHistranIsNotStarted) {
    EXPECT_EQ(ExitSequence(rig.vorrak, *rig.services), 0);
    EXPECT_FALSE(histranStarted());
    const auto lines = testing::readLines(rig.vorrak.files.historyFile);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("[1] [ . End of this work at ", 0), 0u);
    // The power-off feature was off at start: it is left alone.
    EXPECT_TRUE(rig.power.changes.empty());
}

TEST_F(ExitSequenceTest, SavesThePictureValuesTheRunEndedWith) {
    rig.vorrak.settings.BRIGHTNESS = 77;
    rig.vorrak.settings.VIDEOSTANDARD = 3;
    ExitSequence(rig.vorrak, *rig.services);
    Settings reloaded;
    AccessControl access;
    RunOptions options;
    ASSERT_TRUE(LoadSettings(rig.services->settingsHost, reloaded, access, options));
    EXPECT_EQ(reloaded.BRIGHTNESS, 77u);
    EXPECT_EQ(reloaded.VIDEOSTANDARD, 3u);
}

TEST_F(ExitSequenceTest, SessionEndSavesAndRestoresButStartsNothing) {
    runUntilEvent();
    rig.vorrak.PowerOffWasActive = true;
    rig.power.refuseChanges = true;
    rig.ui.boxes.clear();
    test::NoLiveVideo live;
    EndSession(rig.vorrak, *rig.services, live);
    EXPECT_FALSE(histranStarted());
    EXPECT_EQ(rig.card->decoder()->reg(0x11), 0x84);
    EXPECT_EQ(rig.power.changes, std::vector<bool>{true});
    ASSERT_EQ(rig.boxTexts().size(), 1u);
    EXPECT_EQ(rig.boxTexts()[0], kPowerOffNotOnAtEndMessage);
}

TEST(EndSessionTest, AnEventStillTracedGetsItsLine) {
    test::EngineRig rig({}, {.processStyle = 1});
    rig.start();
    for (int i = 0; i < 120 && rig.vorrak.guardMode.trace.tracing == 0; ++i) {
        rig.run(500);
    }
    ASSERT_NE(rig.vorrak.guardMode.trace.tracing, 0u);
    ASSERT_TRUE(rig.historyLines().empty());
    test::NoLiveVideo live;
    EndSession(rig.vorrak, *rig.services, live);
    const auto lines = rig.historyLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("[1] [", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(" Release Time:"), std::string::npos) << lines[0];
}

// The display cannot be opened: the start is given up with the power-off
// feature, which the preparation turned off, back on.
TEST(PrepareRunTest, ADisplayThatCannotBeOpenedGivesThePowerOffFeatureBack) {
    test::EngineRig rig;
    rig.power.active = true;
    struct NoDisplay : test::NoLiveVideo {
        int OpenDisplayDevice() override { return 0; }
    } live;
    EXPECT_FALSE(PrepareRun(rig.vorrak, *rig.services, live, "/opt/oculara"));
    EXPECT_EQ(rig.power.changes, (std::vector<bool>{false, true}));
    EXPECT_EQ(rig.power.active, true);
    EXPECT_EQ(rig.card->decoder()->reg(0x11), 0x84);
}

}  // namespace
}  // namespace zelkor::vorrak
