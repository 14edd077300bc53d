#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake/memory_registry.h"
#include "platform/fake/recording_ui.h"
#include "vorrak/config/password.h"
#include "vorrak/config/settings_store.h"

namespace zelkor::vorrak {
namespace {

using platform::RegType;

class LoadSettingsTest : public ::testing::Test {
  protected:
    platform::MemoryRegistry registry;
    platform::RecordingUi ui;
    std::vector<std::string> effects;  // boxes, wizard starts and exits, in order
    Settings settings;
    AccessControl access;
    RunOptions options{true, true, true};

    bool load(ToldOutOfRange* told = nullptr) {
        SettingsHost host{
            registry, ui, "viewer-default",
            [this](uint32_t force) { effects.push_back("wizard " + std::to_string(force)); },
            [this](int code) { effects.push_back("exit " + std::to_string(code)); }};
        return LoadSettings(host, settings, access, options, told);
    }

    void put(std::string_view name, uint32_t value) {
        registry.putNumber(kProductKey, name, value);
    }
    void put(std::string_view name, std::string_view text) {
        registry.putText(kProductKey, name, text);
    }
    void putMaker(std::string_view name, uint32_t value) {
        registry.putNumber(kMakerKey, name, value);
    }

    // A stored WORKINGDIR of `dir` is told with `message`, starts the
    // wizard, ends the program and leaves the record's folder alone.
    void expectWorkingDirRefused(const char* dir, const std::string& message) {
        SCOPED_TRACE(dir);
        ui.boxes.clear();
        effects.clear();
        put("WORKINGDIR", dir);
        settings.WORKINGDIR = "untouched";
        EXPECT_FALSE(load());
        EXPECT_EQ(ui.texts(), (std::vector<std::string>{message}));
        ASSERT_FALSE(ui.boxes.empty());
        EXPECT_EQ(ui.boxes[0].style, platform::mb::ICONHAND | platform::mb::TOPMOST);
        EXPECT_EQ(effects, (std::vector<std::string>{"wizard 1", "exit 1"}));
        EXPECT_EQ(settings.WORKINGDIR, "untouched");
    }
};

TEST_F(LoadSettingsTest, OnlyWorkingDirYieldsEveryDefault) {
    put("WORKINGDIR", "/srv/oculara");
    settings.EMAILBODY = "left over";
    settings.SCANTIME = 7;
    ASSERT_TRUE(load());

    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(effects.empty());
    EXPECT_EQ(settings.WORKINGDIR, "/srv/oculara");
    const std::vector<uint32_t> numbers = {settings.BRIGHTNESS,       settings.CONTRAST,
                                           settings.SATURATION,       settings.HUE,
                                           settings.VIDEOCONNECTOR,   settings.VIDEOSTANDARD,
                                           settings.RUNSTYLE,         settings.PLAYWARNINGSOUND,
                                           settings.RUNSTARTUP,       settings.USESCHEDULE,
                                           settings.DELAYTIME,        settings.STARTHOUR,
                                           settings.STARTMINUTE,      settings.STARTSECOND,
                                           settings.PROCESSSTYLE,     settings.STOPSTYLE,
                                           settings.USEREGIONCOMPARE, settings.SENSIBILITY,
                                           settings.SCANTIME,         settings.RELEASETIME,
                                           settings.ERRORAMOUNT,      settings.VIDEOCAPTURE,
                                           settings.VIDEOFRAMERATE,   settings.VIDEORECORDINGTIME,
                                           settings.EXECUTEPROGRAM,   settings.EMAILNOTIFY,
                                           settings.PHONECALL,        settings.UPDATEWEBPAGE,
                                           settings.USEACCESS};
    const std::vector<uint32_t> defaults = {128,  144, 128, 128, 1001, 0, 1, 1,  0,   1,
                                            5000, 23,  0,   0,   1,    1, 0, 90, 500, 120,
                                            50,   0,   30,  2,   0,    0, 0, 0,  0};
    EXPECT_EQ(numbers, defaults);
    EXPECT_EQ(settings.VIEWERFILENAME, "viewer-default");
    EXPECT_EQ(settings.EXECUTEFILENAME, "");
    EXPECT_EQ(settings.EMAILADDRESS, "");
    EXPECT_EQ(settings.CCEMAILADDRESS, "");
    EXPECT_EQ(settings.EMAILBODY, "Zelkor Oculara Warning....");
    EXPECT_EQ(settings.PHONENUMBER, "");
    EXPECT_EQ(settings.WEBPAGEFILENAME, "");
    // Run-time options are switched off by every load.
    EXPECT_FALSE(options.captureAudio);
    EXPECT_FALSE(options.playbackAfterRecording);
    EXPECT_FALSE(options.workFrames24Bit);
    // No maker key: the default password guards the program.
    EXPECT_EQ(access.PasswordRequired, 1u);
    EXPECT_EQ(access.AccessPassword, "QTRWKe4");
}

TEST_F(LoadSettingsTest, MissingWorkingDirTellsStartsWizardAndEndsAtOnce) {
    put("BRIGHTNESS", 7u);
    settings.VIEWERFILENAME = "untouched";
    settings.SCANTIME = 3;
    access.AccessPassword = "untouched";
    access.PasswordRequired = 0;
    registry.putNumber(kMakerKey, "RUNNORMAL", 1);

    EXPECT_FALSE(load());

    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text,
              "Oculara has not set completely...\nPlease execute Setup Wizard again...");
    EXPECT_EQ(ui.boxes[0].title, "Zelkor Oculara");
    EXPECT_EQ(ui.boxes[0].style, platform::mb::ICONHAND | platform::mb::TOPMOST);
    EXPECT_EQ(effects, (std::vector<std::string>{"wizard 1", "exit 1"}));
    // Values before WORKINGDIR were read; nothing after the ending was touched.
    EXPECT_EQ(settings.BRIGHTNESS, 7u);
    EXPECT_EQ(settings.SCANTIME, 3u);
    EXPECT_EQ(settings.VIEWERFILENAME, "untouched");
    EXPECT_EQ(access.AccessPassword, "untouched");
    EXPECT_EQ(access.PasswordRequired, 0u);
}

// An empty or relative folder would put the guard's files in the root or
// wherever Vorrak was started: it is treated as no folder at all.
TEST_F(LoadSettingsTest, EmptyOrRelativeWorkingDirCountsAsMissing) {
    for (const char* dir : {"", "work", "./srv/cam", "~/cam"}) {
        expectWorkingDirRefused(dir,
                                "Oculara has not set completely...\n"
                                "Please execute Setup Wizard again...");
    }
}

// The event history keeps event file paths between brackets: a bracket in
// the working directory would make every history line unreadable.
TEST_F(LoadSettingsTest, WorkingDirWithABracketTellsStartsWizardAndEndsAtOnce) {
    for (const char* dir : {"/srv/cam[1]", "/srv/a]b"}) {
        expectWorkingDirRefused(dir,
                                "The working directory may not contain \"[\" or "
                                "\"]\"...\nPlease execute Setup Wizard again...");
    }
}

TEST_F(LoadSettingsTest, UnopenableProductKeyGivesNotInstalledMessage) {
    for (bool denied : {false, true}) {
        SCOPED_TRACE(denied ? "key denied" : "key absent");
        registry = platform::MemoryRegistry{};
        ui.boxes.clear();
        effects.clear();
        if (denied) {
            put("WORKINGDIR", "/w");
            registry.deniedKeys.insert(std::string(kProductKey));
        }
        settings.BRIGHTNESS = 99;
        EXPECT_FALSE(load());
        ASSERT_EQ(ui.texts(), (std::vector<std::string>{"Oculara is not installed successfully...\n"
                                                        "Please execute Setup Wizard program."}));
        EXPECT_EQ(ui.boxes[0].style, platform::mb::ICONHAND | platform::mb::TOPMOST);
        EXPECT_EQ(effects, (std::vector<std::string>{"wizard 1", "exit 1"}));
        EXPECT_EQ(settings.BRIGHTNESS, 99u);
        EXPECT_FALSE(options.captureAudio);
    }
}

TEST_F(LoadSettingsTest, MakerKeySettlesThePassword) {
    put("WORKINGDIR", "/w");
    const std::string scrambled = *ScramblePassword("Open Sesame");

    struct Case {
        const char* name;
        bool makerKey;
        std::optional<uint32_t> runNormal;
        std::optional<std::string> runString;
        uint32_t required;
        std::string password;
    };
    const Case cases[] = {
        {"no maker key", false, {}, {}, 1, "QTRWKe4"},
        {"RUNNORMAL absent", true, {}, {}, 1, "QTRWKe4"},
        {"4826 without RUNSTRING", true, 4826, {}, 1, "QTRWKe4"},
        {"4826 with RUNSTRING", true, 4826, scrambled, 1, "Open Sesame"},
        {"0 keeps the password", true, 0, scrambled, 0, "before"},
        {"other value", true, 4827, {}, 0, "before"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        registry.data.keys.erase(
            std::remove_if(registry.data.keys.begin(), registry.data.keys.end(),
                           [](const auto& k) { return k.path == kMakerKey; }),
            registry.data.keys.end());
        registry.deniedKeys.clear();
        if (c.makerKey) {
            registry.data.create(kMakerKey);
        } else {
            registry.deniedKeys.insert(std::string(kMakerKey));
        }
        if (c.runNormal) {
            putMaker("RUNNORMAL", *c.runNormal);
        }
        if (c.runString) {
            registry.putText(kMakerKey, "RUNSTRING", *c.runString);
        }
        access = {7, "before"};
        ASSERT_TRUE(load());
        EXPECT_EQ(access.PasswordRequired, c.required);
        EXPECT_EQ(access.AccessPassword, c.password);
    }
}

TEST_F(LoadSettingsTest, ValuesThatDoNotFitTheirBufferCountAsMissing) {
    put("WORKINGDIR", "/w");
    put("EMAILADDRESS", std::string(60, 'a'));
    put("CCEMAILADDRESS", std::string(49, 'c'));  // 49 + zero fills the 50 bytes
    put("PHONENUMBER", std::string(20, '5'));
    put("EMAILBODY", std::string(300, 'b'));
    registry.putRaw(kProductKey, "SCANTIME", RegType::Binary, std::string("\x01\0\0\0\0\0\0\0", 8));
    ASSERT_TRUE(load());
    EXPECT_EQ(settings.EMAILADDRESS, "");
    EXPECT_EQ(settings.CCEMAILADDRESS, std::string(49, 'c'));
    EXPECT_EQ(settings.PHONENUMBER, "");
    EXPECT_EQ(settings.EMAILBODY, "Zelkor Oculara Warning....");
    EXPECT_EQ(settings.SCANTIME, 500u);
}

TEST_F(LoadSettingsTest, WorkingDirOfFullBufferLoadsAndOneMoreFails) {
    put("WORKINGDIR", "/" + std::string(253, 'd'));
    ASSERT_TRUE(load());
    EXPECT_EQ(settings.WORKINGDIR.size(), 254u);

    put("WORKINGDIR", std::string(255, 'd'));
    EXPECT_FALSE(load());
    EXPECT_EQ(effects, (std::vector<std::string>{"wizard 1", "exit 1"}));
}

TEST_F(LoadSettingsTest, NumbersReadWhateverBytesAreStored) {
    put("WORKINGDIR", "/w");
    // A two-byte text "5": its bytes, the rest zero, even over an old value.
    registry.putRaw(kProductKey, "SENSIBILITY", RegType::Sz, std::string("5\0", 2));
    settings.SENSIBILITY = 0xFFFFFFFF;
    // Four bytes of any type are a number.
    registry.putRaw(kProductKey, "DELAYTIME", RegType::Binary, std::string("\x10\x27\0\0", 4));
    // A text value is read from a number's bytes as well.
    registry.putNumber(kProductKey, "PHONENUMBER", 0x00333231);
    ASSERT_TRUE(load());
    EXPECT_EQ(settings.SENSIBILITY, 0x35u);
    EXPECT_EQ(settings.DELAYTIME, 10000u);
    EXPECT_EQ(settings.PHONENUMBER, "123");
}

TEST_F(LoadSettingsTest, NumbersOutsideTheWizardsRangeGetTheirDefaultAndAreToldOnce) {
    put("WORKINGDIR", "/w");
    put("SENSIBILITY", 0xc8);
    put("SCANTIME", 0xffffffff);
    // The ends of a range are the wizard's own values.
    put("STARTHOUR", 0);
    put("VIDEORECORDINGTIME", 3600);
    // Past its range the page is still asked for, at the usual pace.
    put("UPDATEWEBPAGE", 3601);
    ToldOutOfRange told;
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(load(&told));
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(settings.SENSIBILITY, 90u);
    EXPECT_EQ(settings.SCANTIME, 500u);
    EXPECT_EQ(settings.STARTHOUR, 0u);
    EXPECT_EQ(settings.VIDEORECORDINGTIME, 3600u);
    EXPECT_EQ(settings.UPDATEWEBPAGE, 5u);
    const std::string expected =
        "SENSIBILITY is 200, outside 0 to 100: the default 90 is used.\n"
        "SCANTIME is 4294967295, outside 40 to 60000: the default 500 is used.\n"
        "UPDATEWEBPAGE is 3601, outside 0 to 3600: the default 5 is used.\n"
        "Please execute Setup Wizard again...";
    EXPECT_EQ(ui.texts(), std::vector<std::string>{expected});
    EXPECT_EQ(said, "Vorrak: " + expected + "\n");

    // The next start of the same run says nothing more, and finds the same.
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(load(&told));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(settings.SENSIBILITY, 90u);

    // A guard that does not stop for boxes is told on stderr only.
    ToldOutOfRange freshRun;
    put("PROCESSSTYLE", 3);
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(load(&freshRun));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("SENSIBILITY is 200"),
              std::string::npos);
    EXPECT_EQ(ui.boxes.size(), 1u);
}

TEST(DefaultViewerFileName, TakesTheDriveOfTheWindowsDirectory) {
    EXPECT_EQ(DefaultViewerFileName(std::string("C:\\WINDOWS")),
              "C:\\program files\\Accessories\\Mspaint.exe");
    EXPECT_EQ(DefaultViewerFileName(std::string("D:\\WinNT")),
              "D:\\program files\\Accessories\\Mspaint.exe");
    EXPECT_EQ(DefaultViewerFileName(std::nullopt), "c:\\program files\\Accessories\\Mspaint.exe");
}

}  // namespace
}  // namespace zelkor::vorrak
