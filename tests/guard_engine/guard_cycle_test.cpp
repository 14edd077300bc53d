#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "tests/guard_engine/engine_rig.h"
#include "tests/support/event_bitmap.h"
#include "tests/support/temp_dir.h"
#include "vcard/capture_window.h"
#include "vorrak/guard/detection_cycle.h"
#include "vorrak/guard/tracing.h"

namespace zelkor::vorrak {
namespace {

using test::EngineRig;
using test::GuardSettings;
using test::SceneOptions;
using testing::detects;
using testing::EventFrames;
using testing::readEventBitmap;

SceneOptions scene(const std::string& name, uint32_t periodMs, uint32_t seed) {
    SceneOptions options;
    options.scene = name;
    options.periodMs = periodMs;
    options.seed = seed;
    return options;
}

std::string eventLinePattern(const std::string& folder, uint32_t n, const std::string& rest) {
    return "\\[" + std::to_string(n) + "\\] \\[\\d+/\\d+/\\d+ Detect Time:\\d+:\\d+:\\d+" + rest +
           "\\] \\[" + folder + "/error" + std::to_string(n) + "\\.bmp\\] \\[\\]\r";
}

TEST(GuardCycle, AWalkerRaisesEventsWhoseBitmapsHoldTheTwoFramesThatDiffered) {
    GuardSettings settings;
    settings.processStyle = 3;
    settings.stopStyle = 2;
    EngineRig rig(scene("walker", 8000, 1), settings);
    rig.start();
    ASSERT_EQ(rig.vorrak.guardMode.active, 1u);
    rig.run(20000);

    const uint32_t events = rig.vorrak.guard.EventNumber;
    ASSERT_GE(events, 2u) << "the person crosses the picture twice";
    EXPECT_EQ(rig.vorrak.guardMode.active, 1u) << "style 2 re-arms after every event";
    EXPECT_TRUE(rig.boxTexts().empty());
    const auto lines = rig.historyLines();
    ASSERT_EQ(lines.size(), events);
    const std::string folder = rig.vorrak.capture.eventFolder;
    for (uint32_t n = 1; n <= events; ++n) {
        EXPECT_TRUE(std::regex_match(lines[n - 1], std::regex(eventLinePattern(folder, n, ""))))
            << lines[n - 1];
        EventFrames frames;
        ASSERT_TRUE(
            readEventBitmap(folder + "/error" + std::to_string(n) + ".bmp", 352, 240, frames));
        EXPECT_EQ(detects(frames, 90, 352, 240), 1u) << "event " << n;
        EXPECT_NE(frames.earlier, frames.newer);
    }
    // Each detection sounded the warning.
    EXPECT_EQ(rig.sound.count(platform::SoundRequest::Kind::Play), events);
}

TEST(GuardCycle, SensorNoiseOfAStillSceneIsNoMotion) {
    // Ten minutes at one scan in two seconds: 300 frame pairs, each with
    // fresh noise, at the default sensitivity.
    GuardSettings settings;
    settings.scanTime = 2000;
    EngineRig rig(scene("static", 8000, 3), settings);
    rig.start();
    rig.run(10 * 60 * 1000);
    EXPECT_EQ(rig.vorrak.guard.EventNumber, 0u);
    EXPECT_TRUE(rig.historyLines().empty());
    EXPECT_GE(rig.vorrak.guardMode.frameCounter, 300u);
    EXPECT_EQ(rig.vorrak.guardMode.active, 1u);
}

TEST(GuardCycle, StopStyleThreeReArmsUpToTheErrorAmountThenStopsWithItsMessage) {
    GuardSettings settings;
    settings.stopStyle = 3;
    settings.errorAmount = 2;
    settings.scanTime = 200;
    EngineRig rig(scene("walker", 2000, 1), settings);
    rig.start();
    for (int i = 0; i < 400 && rig.vorrak.guard.EventNumber < 4; ++i) {
        rig.run(200);
    }
    ASSERT_EQ(rig.vorrak.guard.EventNumber, 4u);
    EXPECT_EQ(rig.vorrak.guardMode.active, 0u);
    ASSERT_EQ(rig.boxTexts().size(), 1u);
    EXPECT_EQ(rig.boxTexts()[0], kErrorAmountMessage);
    EXPECT_EQ(rig.vorrak.guard.restartCounter, 0u);
    EXPECT_EQ(rig.historyLines().size(), 4u);

    // The next start counts from 0 again: event 5 re-arms.
    rig.start();
    for (int i = 0; i < 400 && rig.vorrak.guard.EventNumber < 5; ++i) {
        rig.run(200);
    }
    EXPECT_EQ(rig.vorrak.guard.restartCounter, 1u);
    EXPECT_EQ(rig.vorrak.guardMode.active, 1u);
}

TEST(GuardCycle, StopStyleOneStopsAfterTheFirstEventWithTheMessage) {
    GuardSettings settings;
    settings.stopStyle = 1;
    EngineRig rig(scene("walker", 8000, 1), settings);
    rig.start();
    rig.run(20000);
    EXPECT_EQ(rig.vorrak.guard.EventNumber, 1u);
    EXPECT_EQ(rig.vorrak.guardMode.active, 0u);
    EXPECT_EQ(rig.boxTexts(), std::vector<std::string>{std::string(kErrorAmountMessage)});
}

TEST(GuardCycle, TheHundredAndFirstEventUsesSlotOne) {
    GuardSettings settings;
    settings.scanTime = 100;
    EngineRig rig(scene("walker", 600, 2), settings);
    rig.start();
    for (int i = 0; i < 20000 && rig.vorrak.guard.EventNumber < 101; ++i) {
        rig.run(100);
    }
    ASSERT_GE(rig.vorrak.guard.EventNumber, 101u);
    const auto lines = rig.historyLines();
    ASSERT_GE(lines.size(), 101u);
    const std::string folder = rig.vorrak.capture.eventFolder;
    EXPECT_TRUE(std::regex_match(lines[100], std::regex(eventLinePattern(folder, 101, ""))))
        << lines[100];
    EXPECT_EQ(rig.vorrak.guard.eventSlots[1].bitmapPath, folder + "/error101.bmp");
    EXPECT_EQ(rig.vorrak.guard.eventSlots[100].bitmapPath, folder + "/error100.bmp");
    EXPECT_TRUE(rig.vorrak.guard.eventSlots[0].bitmapPath.empty());
}

// A still object in style 2 is still there when the release time has run
// out: tracing ends with a reset bitmap of the scene before and after.
TEST(GuardCycle, AnArrivalIsTracedUntilItStandsStillThenReset) {
    GuardSettings settings;
    settings.processStyle = 2;
    settings.stopStyle = 2;
    settings.releaseTime = 2;
    EngineRig rig(scene("arrival", 3000, 1), settings);
    rig.start();
    for (int i = 0; i < 200 && rig.vorrak.guard.EventNumber == 0; ++i) {
        rig.run(100);
    }
    ASSERT_EQ(rig.vorrak.guard.EventNumber, 1u);
    EXPECT_EQ(rig.vorrak.guardMode.trace.tracing, 1u);
    EXPECT_EQ(rig.host.count("openTracingMenu"), 1u);
    // Let it arrive, stand still past the release limit (5 ticks of 400 ms)
    // and the pause after tracing go by.
    for (int i = 0; i < 100 && rig.vorrak.guardMode.trace.tracing != 0; ++i) {
        rig.run(400);
    }
    ASSERT_EQ(rig.vorrak.guardMode.trace.tracing, 0u);
    EXPECT_EQ(rig.vorrak.guardMode.trace.releaseLimit, 5u);
    EXPECT_EQ(rig.host.count("closeTracingMenu"), 1u);
    const std::string folder = rig.vorrak.capture.eventFolder;
    const std::string reset = folder + "/err1.bmp";
    EXPECT_TRUE(std::filesystem::exists(reset));
    const auto lines = rig.historyLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(std::regex_match(
        lines[0],
        std::regex(eventLinePattern(folder, 1,
                                    " Reset Time:\\d+:\\d+:\\d+, Error is still exist, please "
                                    "refer " +
                                        folder + "/err1\\.bmp"))))
        << lines[0];
    EXPECT_EQ(rig.vorrak.guardMode.active, 0u) << "the pause after tracing comes first";
    rig.run(500);
    EXPECT_EQ(rig.vorrak.guardMode.active, 1u) << "style 2 re-arms after the pause";
}

// An object that leaves ends tracing with the moment it left: the note's
// hour, minute and second are the clock's (which starts at 12:00, so an
// hour and minute swapped read 0:12 and cannot pass).
TEST(GuardCycle, TracingOfAnObjectThatLeavesNotesTheReleaseTimeOfTheClock) {
    GuardSettings settings;
    settings.processStyle = 2;
    settings.scanTime = 100;
    EngineRig rig(scene("walker", 8000, 1), settings);
    rig.start();
    for (int i = 0; i < 1000 && rig.vorrak.guard.EventNumber == 0; ++i) {
        rig.run(100);
    }
    ASSERT_EQ(rig.vorrak.guardMode.trace.tracing, 1u);
    for (int i = 0; i < 1000 && rig.vorrak.guardMode.trace.tracing != 0; ++i) {
        rig.run(100);
    }
    ASSERT_EQ(rig.vorrak.guardMode.trace.tracing, 0u);
    const platform::LocalTime ended = rig.clock.localTime();
    const auto lines = rig.historyLines();
    ASSERT_EQ(lines.size(), 1u);
    std::smatch note;
    ASSERT_TRUE(
        std::regex_search(lines[0], note, std::regex(" Release Time:(\\d+):(\\d+):(\\d+) \\]")))
        << lines[0];
    const int noted = std::stoi(note[1]) * 3600 + std::stoi(note[2]) * 60 + std::stoi(note[3]);
    const int clock = ended.hour * 3600 + ended.minute * 60 + ended.second;
    EXPECT_GE(noted, clock - 1) << lines[0];
    EXPECT_LE(noted, clock) << lines[0];
}

// Companions that are still running when the next event comes: the second
// event notes it in its description and tells nobody (style 0).
TEST(GuardCycle, MailerAndDialerStillRunningAtTheNextEventAreNoted) {
    GuardSettings settings;
    settings.emailNotify = 1;
    settings.phoneCall = 1;
    EngineRig rig(scene("walker", 8000, 1), settings);
    std::string storedPicture;
    rig.recordedProcesses.onStart = [&](std::string_view commandLine) {
        if (commandLine.find("/email") != std::string_view::npos && storedPicture.empty()) {
            auto key = rig.registry.openKey(kProductKey, platform::RegAccess::Read);
            std::string value;
            platform::queryText(*key, "STOREIMAGEFILENAME", kPathSize, &value);
            storedPicture = value;
        }
    };
    rig.start();
    for (int i = 0; i < 100 && rig.vorrak.guard.EventNumber < 2; ++i) {
        rig.run(500);
    }
    ASSERT_GE(rig.vorrak.guard.EventNumber, 2u);
    const std::string dir = rig.dir.path();
    ASSERT_GE(rig.recordedProcesses.commandLines.size(), 2u);
    EXPECT_EQ(rig.recordedProcesses.commandLines[0], dir + "/email 1");
    EXPECT_EQ(rig.recordedProcesses.commandLines[1], dir + "/dial 1");
    EXPECT_EQ(rig.recordedProcesses.commandLines.size(), 2u) << "nothing more was started";
    EXPECT_EQ(storedPicture, rig.vorrak.capture.eventFolder + "/error1.bmp")
        << "the mailer finds its picture in the store when it starts";
    const std::string& second = rig.vorrak.guard.eventSlots[2].description;
    EXPECT_NE(second.find(" #Error : Another warning message is sending, this mail will be "
                          "ignored...."),
              std::string::npos)
        << second;
    EXPECT_NE(second.find(" #Error:Another error dialing is running, this call will be "
                          "ignored...."),
              std::string::npos)
        << second;
    EXPECT_TRUE(rig.boxTexts().empty());
    EXPECT_NE(rig.historyLines()[1].find("#Error:Another error dialing"), std::string::npos);
}

TEST(GuardCycle, AScheduledStartWaitsTakingNoCommandAndThenStarts) {
    GuardSettings settings;
    settings.useSchedule = 2;
    settings.delayTime = 3000;
    EngineRig rig(scene("static", 8000, 1), settings);
    rig.start();
    ASSERT_EQ(rig.host.mainCanvas.drawn.size(), 1u);
    EXPECT_EQ(rig.host.mainCanvas.drawn[0].text,
              "Please wait, vorrak will start at 3 seconds later");
    EXPECT_EQ(rig.vorrak.guardMode.active, 0u);
    rig.start();  // taken no notice of while waiting
    rig.run(2999);
    EXPECT_EQ(rig.vorrak.guardMode.active, 0u);
    rig.run(1);
    EXPECT_EQ(rig.vorrak.guardMode.active, 1u);
    EXPECT_EQ(rig.host.count("repaintMainWindow"), 1u);
}

TEST(GuardCycle, TheSecondCommandStopsAndTheFirstTickAfterARestartNeverDetects) {
    EngineRig rig(scene("walker", 8000, 1));
    rig.clock.advance(4500);  // the person has left the picture
    rig.start();
    rig.run(1000);
    rig.start();
    EXPECT_EQ(rig.vorrak.guardMode.active, 0u);
    EXPECT_FALSE(rig.timers.isSet(&rig.vorrak.capture, kScanTimer));
    // The person comes back while guard mode is off; the restart's first
    // tick only takes a new reference.
    rig.clock.advance(4000);
    rig.start();
    EXPECT_EQ(rig.vorrak.guardMode.frameCounter, 1u);
    EXPECT_EQ(rig.vorrak.guard.EventNumber, 0u);
    rig.run(500);
    EXPECT_EQ(rig.vorrak.guard.EventNumber, 1u) << "the next tick sees the person move";
}

TEST(GuardCycle, ARunningSetupWizardKeepsGuardModeOff) {
    EngineRig rig(scene("static", 8000, 1));
    rig.vorrak.companions.setupWizard = rig.recordedProcesses.start("VrakSetup ");
    rig.start();
    EXPECT_EQ(rig.vorrak.guardMode.active, 0u);
    EXPECT_EQ(rig.boxTexts(), std::vector<std::string>{std::string(kQuitSetupWizardMessage)});
}

// The four fields of a history line.
std::vector<std::string> lineFields(const std::string& line) {
    std::smatch m;
    if (!std::regex_match(line, m, std::regex("\\[(.*)\\] \\[(.*)\\] \\[(.*)\\] \\[(.*)\\]\r"))) {
        return {};
    }
    return {m[1], m[2], m[3], m[4]};
}

// An event names only the files it wrote itself: names already taken in the
// event folder (a planted link, another run's clip) are passed over, never
// written through or over, and a clip the full disk refused leaves the
// video field empty instead of naming the event before's clip.
TEST(GuardCycle, EventsNameOnlyTheFilesTheyWrote) {
    GuardSettings settings;
    settings.videoCapture = 1;
    EngineRig rig(scene("walker", 8000, 1), settings);
    const std::string folder = rig.vorrak.capture.eventFolder;
    const std::string victim = rig.dir.write("victim.txt", "not a picture");
    std::filesystem::create_symlink(victim, folder + "/error1.bmp");
    rig.dir.write(std::filesystem::path(folder).filename().string() + "/error1.avi", "their clip");

    rig.start();
    for (int i = 0; i < 100 && rig.vorrak.guard.EventNumber < 1; ++i) {
        rig.run(500);
    }
    ASSERT_EQ(rig.vorrak.guard.EventNumber, 1u);
    rig.disk.setFreeBytes("/", uint64_t(9) << 20);
    for (int i = 0; i < 100 && rig.vorrak.guard.EventNumber < 2; ++i) {
        rig.run(500);
    }
    ASSERT_GE(rig.vorrak.guard.EventNumber, 2u);

    EXPECT_TRUE(testing::readText(victim) == "not a picture") << "written through the link";
    EXPECT_TRUE(testing::readText(folder + "/error1.avi") == "their clip") << "written over";
    const auto lines = rig.historyLines();
    ASSERT_GE(lines.size(), 2u);
    const auto first = lineFields(lines[0]);
    ASSERT_EQ(first.size(), 4u) << lines[0];
    EXPECT_EQ(first[2], folder + "/error2.bmp");
    EventFrames frames;
    EXPECT_TRUE(readEventBitmap(first[2], 352, 240, frames));
    EXPECT_EQ(first[3], folder + "/error2.avi");
    EXPECT_GT(std::filesystem::file_size(first[3]), 1000u);
    const auto second = lineFields(lines[1]);
    ASSERT_EQ(second.size(), 4u) << lines[1];
    EXPECT_EQ(second[2], folder + "/error3.bmp");
    EXPECT_EQ(second[3], "") << "the refused clip is no clip";
    EXPECT_EQ(rig.vorrak.guard.eventSlots[2].bitmapPath, second[2]);
    EXPECT_EQ(rig.vorrak.eventPicture, second[2]);
}

// In style 1 the Tracing Menu's clip becomes the event's, but only a clip
// that was recorded: a refused one does not hand the event the clip an
// earlier event recorded.
TEST(GuardCycle, OnlyARecordedTracingMenuClipBecomesTheEvents) {
    GuardSettings settings;
    settings.processStyle = 1;
    EngineRig rig(scene("walker", 8000, 1), settings);
    // Without a time limit a Tracing Menu clip runs until Escape: pressed
    // after a second.
    auto& window = static_cast<vcard::VirtualCaptureWindow&>(*rig.vorrak.capture.window);
    uint64_t clipStart = 0;
    window.setEventPump([&](uint64_t until) {
        rig.clock.advance(until - rig.clock.monotonicMs());
        clipStart = clipStart == 0 ? until : clipStart;
        if (until >= clipStart + 1000) {
            window.stop();
            clipStart = 0;
        }
    });
    const auto traceNextEvent = [&rig] {
        for (int i = 0; i < 100 && rig.vorrak.guardMode.trace.tracing == 0; ++i) {
            rig.run(500);
        }
        return rig.vorrak.guardMode.trace.tracing == 1;
    };
    rig.start();
    ASSERT_TRUE(traceNextEvent());
    TracingMenuCommand(rig.vorrak, *rig.services, kTracingCaptureButton);
    const std::string first = rig.vorrak.capture.eventFolder + "/manual0.avi";
    EXPECT_EQ(rig.vorrak.guard.eventSlots[1].videoPath, first);
    TracingMenuCommand(rig.vorrak, *rig.services, kTracingStopButton);
    ASSERT_TRUE(traceNextEvent());
    ASSERT_EQ(rig.vorrak.guard.EventNumber, 2u);
    rig.disk.setFreeBytes("/", uint64_t(9) << 20);
    TracingMenuCommand(rig.vorrak, *rig.services, kTracingCaptureButton);
    EXPECT_EQ(rig.vorrak.guard.eventSlots[2].videoPath, "");
    TracingMenuCommand(rig.vorrak, *rig.services, kTracingStopButton);
    const auto lines = rig.historyLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lineFields(lines[0]).at(3), first);
    EXPECT_EQ(lineFields(lines[1]).at(3), "");
}

TEST(ScheduleDelay, CountsToTheTimeOfDayTodayOrTomorrow) {
    platform::VirtualClock clock({2026, 12, 7, 1, 12, 0, 0, 0});  // 12:00:00
    EXPECT_EQ(ScheduleDelay(clock, 12, 0, 0), 0u);
    EXPECT_EQ(ScheduleDelay(clock, 11, 59, 0), 86340000u);
    EXPECT_EQ(ScheduleDelay(clock, 12, 0, 30), 30000u);
}

TEST(DrawStatusText, DropsTheLastCharacter) {
    platform::RecordingCanvas canvas;
    Capture capture;
    DrawStatusText(canvas, capture, "Detecting...", kRed);
    ASSERT_EQ(canvas.drawn.size(), 1u);
    EXPECT_EQ(canvas.drawn[0].text, "Detecting..");
    EXPECT_EQ(canvas.drawn[0].rect, (platform::CanvasRect{10, 0, 352, 240}));
}

}  // namespace
}  // namespace zelkor::vorrak
