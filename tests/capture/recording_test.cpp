// Snapshots and clips as Vorrak takes them: file choice, refusals, the disk
// guards and the status line.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/capture/host_rig.h"
#include "tests/support/screenshot.h"
#include "vcard/avi_reader.h"
#include "vorrak/capture/capture_format.h"
#include "vorrak/capture/recording.h"
#include "vorrak/detection/frame_bitmap.h"

namespace zelkor::test {
namespace {

namespace vf = platform::video_format;
constexpr uint64_t MB = 1048576;

struct Connected : VorrakRig {
    explicit Connected(vcard::CaptureDriverConfig config = {}) : VorrakRig(config) {
        create();
        connect();
    }
    int grab(const vorrak::GuardView& view) {
        return vorrak::GrabFrame(capture, services, guard, files, view);
    }
    int record(const vorrak::GuardView& view = {}, vorrak::ClipFor kind = vorrak::ClipFor::Event) {
        return vorrak::RecordCommand(capture, services, settings, guard, view, kind);
    }
};

TEST(GrabFrame, ChoosesTheFileByGuardAndTracingState) {
    Connected v;
    vorrak::SetCaptureFormat(*v.capture.window, vorrak::kFrameFormatMode, 8);
    EXPECT_EQ(v.grab({false, false, 4}), 1);
    EXPECT_TRUE(std::filesystem::exists(v.files.workFile0));
    EXPECT_FALSE(std::filesystem::exists(v.files.workFile1));
    EXPECT_EQ(v.grab({false, false, 5}), 1);
    EXPECT_TRUE(std::filesystem::exists(v.files.workFile1));
    std::filesystem::remove(v.files.workFile1);
    EXPECT_EQ(v.grab({true, false, 4}), 1);  // tracing: always work file 1
    EXPECT_TRUE(std::filesystem::exists(v.files.workFile1));

    vorrak::FrameImage frame;
    vorrak::LastFrameRead last;
    EXPECT_EQ(vorrak::ReadFrameBitmap(v.files.workFile1, frame, last), vorrak::kFrameReadOk);
    EXPECT_TRUE(v.shown.empty());
    EXPECT_TRUE(v.ui.boxes.empty());
}

TEST(SnapshotCommand, SavesNumberedSnapshotsAndShowsThem) {
    Connected v;
    vorrak::SnapshotCommand(v.capture, v.services, v.guard, v.files, {true, true, 0});
    vorrak::SnapshotCommand(v.capture, v.services, v.guard, v.files, {true, true, 0});
    const std::string folder = v.capture.eventFolder;
    EXPECT_EQ(v.shown,
              (std::vector<std::string>{folder + "/manual0.bmp", folder + "/manual1.bmp"}));
    EXPECT_EQ(v.guard.manualSnapshotCount, 2u);
    vorrak::FrameImage frame;
    vorrak::LastFrameRead last;
    ASSERT_EQ(vorrak::ReadFrameBitmap(folder + "/manual1.bmp", frame, last), vorrak::kFrameReadOk);
    EXPECT_EQ(frame.colourCount, 256u);  // grabbed in the 8-bit frame format
    // ...and the driver is back in its own format afterwards.
    vf::Header h;
    ASSERT_TRUE(vf::decode(v.capture.window->getVideoFormat(), h));
    EXPECT_EQ(h.compression, vf::Zkv2);

    // Not connected: nothing at all.
    vorrak::DisconnectCapture(v.capture, v.services);
    vorrak::SnapshotCommand(v.capture, v.services, v.guard, v.files, {true, true, 0});
    EXPECT_EQ(v.guard.manualSnapshotCount, 2u);
    EXPECT_EQ(v.record(), 0);
    EXPECT_TRUE(v.ui.boxes.empty());
}

TEST(GrabFrame, RefusesUyvyAndReportsSaveFailures) {
    Connected v;
    ASSERT_TRUE(v.capture.window->setVideoFormat(
        vf::encode({vf::FrameHeaderSize, 352, 240, 16, vf::Uyvy, 0, 0, 0})));
    EXPECT_EQ(v.grab({}), 0);
    ASSERT_EQ(v.ui.boxes.size(), 1u);
    EXPECT_EQ(v.ui.boxes[0].text,
              "Not supported format (UYVY).\nPlease select other image format, then capture "
              "again.");
    EXPECT_FALSE(std::filesystem::exists(v.files.workFile0));

    vorrak::SetCaptureFormat(*v.capture.window, vorrak::kFrameFormatMode, 8);
    v.files.workFile0 = v.dir.file("missing/work0.bmp");
    EXPECT_EQ(v.grab({}), 0);
    ASSERT_EQ(v.ui.boxes.size(), 2u);
    EXPECT_EQ(v.ui.boxes[1].text,
              "Fatal Error : Can't save the bitmap file. \nDisk is maybe full or System error!\n");
    EXPECT_EQ(v.ui.boxes[1].style, platform::mb::ICONHAND | platform::mb::TOPMOST);
}

TEST(RecordingParms, FollowTheSettings) {
    vorrak::Settings s;
    s.VIDEOFRAMERATE = 30;
    s.VIDEORECORDINGTIME = 7;
    s.PROCESSSTYLE = 2;
    platform::CaptureParms p = vorrak::RecordingParms(s);
    EXPECT_EQ(p.dwRequestMicroSecPerFrame, 33333u);
    EXPECT_EQ(p.fLimitEnabled, 1u);
    EXPECT_EQ(p.wTimeLimit, 7u);
    s.PROCESSSTYLE = 1;  // recorded from the tracing menu: until Escape
    s.VIDEOFRAMERATE = 0;
    p = vorrak::RecordingParms(s);
    EXPECT_EQ(p.fLimitEnabled, 0u);
    EXPECT_EQ(p.dwRequestMicroSecPerFrame, 33333u);
}

TEST(RecordClip, RecordsTheSetLengthIntoTheEventsClip) {
    Connected v;
    v.guard.EventNumber = 3;
    QImage shown;
    v.rig.timers.setTimer(&v, 2, 1000, [&v, &shown] {
        shown = v.window().shownImage();
        v.rig.timers.killTimer(&v, 2);
    });
    ASSERT_EQ(v.record(), 1);
    const std::string clip = v.capture.eventFolder + "/error3.avi";
    EXPECT_EQ(v.capture.clipPath, clip);
    EXPECT_EQ(v.capture.framesCaptured, 60u);
    EXPECT_FALSE(v.guard.recording);
    EXPECT_TRUE(v.ui.boxes.empty());
    // The status line is burnt into the picture: magenta with green text.
    ASSERT_FALSE(shown.isNull());
    EXPECT_TRUE(testing::saveScreenshot(shown, "capture_recording"));
    const int top = 240 * 12 / 14;
    const int bottom = 240 * 13 / 14;
    EXPECT_EQ(shown.pixel(1, top + 1), qRgb(255, 0, 255));
    int green = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < 352; ++x) {
            green += shown.pixel(x, y) == qRgb(0, 255, 0) ? 1 : 0;
        }
    }
    EXPECT_GT(green, 10);
    EXPECT_EQ(v.capture.painting.font, (platform::CanvasFont{"Times New Roman", 16}));
    if (haveFfprobe()) {
        const auto probe = probeClip(clip);
        EXPECT_EQ(probe.at("codec_name"), "mjpeg");
        EXPECT_EQ(probe.at("nb_read_frames"), "60");
        EXPECT_EQ(probe.at("r_frame_rate"), "30/1");
    }

    // The user's clips take the next manual number, from the Tracing Menu
    // or not: none is recorded over the clip before.
    ASSERT_EQ(v.record({true, true, 0}, vorrak::ClipFor::User), 1);
    EXPECT_EQ(v.capture.clipPath, v.capture.eventFolder + "/manual0.avi");
    ASSERT_EQ(v.record({true, false, 0}, vorrak::ClipFor::User), 1);
    EXPECT_EQ(v.capture.clipPath, v.capture.eventFolder + "/manual1.avi");
    EXPECT_EQ(v.guard.manualVideoCount, 2u);
}

// A clip never replaces a file that is there, nor goes through a link: it
// takes the next free name, and a refused clip leaves no file of its own.
TEST(RecordClip, PassesOverTakenNamesAndDeletesNothing) {
    Connected v;
    v.guard.EventNumber = 1;
    const std::string folder = v.capture.eventFolder;
    const std::string victim = v.dir.write("victim.txt", "keep");
    std::filesystem::create_symlink(victim, folder + "/error1.avi");
    ASSERT_EQ(v.record(), 1);
    EXPECT_EQ(v.capture.clipPath, folder + "/error2.avi");
    EXPECT_EQ(testing::readText(victim), "keep");
    EXPECT_TRUE(std::filesystem::is_symlink(folder + "/error1.avi"));

    // A manual snapshot too.
    std::filesystem::create_symlink(victim, folder + "/manual0.bmp");
    vorrak::SnapshotCommand(v.capture, v.services, v.guard, v.files, {true, true, 0});
    EXPECT_EQ(v.shown, std::vector<std::string>{folder + "/manual1.bmp"});
    EXPECT_EQ(v.guard.manualSnapshotCount, 2u);
    EXPECT_EQ(testing::readText(victim), "keep");

    v.disk.setFreeBytes(v.dir.path(), 9 * MB);
    v.guard.EventNumber = 3;
    EXPECT_EQ(v.record(), 0);
    EXPECT_FALSE(std::filesystem::exists(folder + "/error3.avi"));
}

TEST(RecordClip, RefusedAtOnceWithNineMegabytesFree) {
    Connected v;
    v.disk.setFreeBytes(v.dir.path(), 9 * MB + MB / 2);
    EXPECT_EQ(v.record(), 0);
    EXPECT_EQ(v.capture.recordingError, 1u);
    EXPECT_EQ(v.boxTexts(),
              (std::vector<std::string>{"Disk will be full, capture is terminated...."}));
    EXPECT_FALSE(std::filesystem::exists(v.capture.eventFolder + "/error0.avi"));
}

// The guard counts whole megabytes and refuses below ten: exactly 10 MB
// free records the whole clip, with the running test letting it through too,
// and one byte less is refused before anything is written.
TEST(RecordClip, RecordsWithExactlyTenMegabytesFreeButNotOneByteLess) {
    Connected edge;
    edge.disk.setFreeBytes(edge.dir.path(), 10 * MB);
    EXPECT_EQ(edge.record(), 1);
    EXPECT_EQ(edge.capture.recordingError, 0u);
    EXPECT_EQ(edge.capture.framesCaptured, 60u);
    EXPECT_TRUE(edge.ui.boxes.empty());

    Connected under;
    under.disk.setFreeBytes(under.dir.path(), 10 * MB - 1);
    EXPECT_EQ(under.record(), 0);
    EXPECT_EQ(under.capture.recordingError, 1u);
    EXPECT_EQ(under.boxTexts(),
              (std::vector<std::string>{"Disk will be full, capture is terminated...."}));
    EXPECT_FALSE(std::filesystem::exists(under.capture.eventFolder + "/error0.avi"));
}

TEST(RecordClip, StopsWhenTheDiskRunsLowAndKeepsAReadableClip) {
    Connected v;
    v.settings.VIDEORECORDINGTIME = 10;
    // Three seconds in, the disk is nearly full.
    v.rig.timers.setTimer(&v, 1, 3000, [&v] {
        v.disk.setFreeBytes(v.dir.path(), 5 * MB);
        v.rig.timers.killTimer(&v, 1);
    });
    EXPECT_EQ(v.record(), 1);
    EXPECT_EQ(v.capture.recordingError, 1u);
    EXPECT_EQ(v.boxTexts(),
              (std::vector<std::string>{"Disk will be full, capture is terminated...."}));
    // Tested every 60 status calls (the start status counts too): stopped
    // at the first test after 3 s.
    EXPECT_EQ(v.capture.framesCaptured, 119u);
    const std::string clip = v.capture.eventFolder + "/error0.avi";
    if (haveFfprobe()) {
        EXPECT_EQ(probeClip(clip).at("nb_read_frames"), "119");
    }
}

TEST(RecordClip, ReportsAFileItCannotWrite) {
    Connected v;
    v.capture.eventFolder = v.dir.file("gone");
    EXPECT_EQ(v.record(), 0);
    ASSERT_EQ(v.ui.boxes.size(), 1u);
    EXPECT_EQ(v.ui.boxes[0].text, "Your video recording file " + v.dir.file("gone") +
                                      "/error0.avi cannot record now ...\n The file may be "
                                      "opened by another video player or device...\nPlease "
                                      "rename your file or close another process before you "
                                      "recording...");
    EXPECT_EQ(v.ui.boxes[0].style, platform::mb::TOPMOST);
}

TEST(RecordClip, RefusedWhenTheDriverTakesNoRecordingFormat) {
    vcard::CaptureDriverConfig neither;
    neither.acceptZkv2 = neither.acceptZkv1 = false;
    Connected v(neither);
    EXPECT_EQ(v.record(), 0);
    EXPECT_EQ(v.capture.recordingError, 1u);
    EXPECT_EQ(v.boxTexts(), (std::vector<std::string>{"Capture driver occured error...."}));
    EXPECT_FALSE(std::filesystem::exists(v.capture.eventFolder + "/error0.avi"));
    EXPECT_FALSE(v.guard.recording);

    // Nor after a snapshot, which leaves the driver in the frame format.
    vorrak::SnapshotCommand(v.capture, v.services, v.guard, v.files, {true, true, 0});
    EXPECT_EQ(v.record(), 0);
    EXPECT_FALSE(std::filesystem::exists(v.capture.eventFolder + "/error0.avi"));
}

// Every grab for guard mode leaves the driver in its recording format and
// says so: a clip refused once is not refused for good.
TEST(RecordClip, AGuardGrabRestoresTheRecordingFormatForTheNextClip) {
    Connected v;
    v.capture.recordingFormatSet = false;
    EXPECT_EQ(vorrak::GrabFrameInFrameFormat(v.capture, v.services, v.guard, v.files, {}), 1);
    EXPECT_TRUE(v.capture.recordingFormatSet);
    EXPECT_EQ(v.record(), 1);
    EXPECT_TRUE(v.boxTexts().empty());
}

TEST(CaptureCallbacks, StatusCountsTestsTheDiskAndPaints) {
    Connected v;
    RecordingCanvas canvas;
    v.capture.painting = {{"Times New Roman", 16}, {0, 205, 352, 222}, 65280, 16711935};
    v.capture.clipPath = v.capture.eventFolder + "/error0.avi";
    auto status = [&v, &canvas](int n, std::string_view t, vorrak::GuardView view = {}) {
        return vorrak::CaptureStatusCallback(v.capture, v.services, v.settings, view, canvas, n, t);
    };
    status(510, "Captured 1 frames");
    ASSERT_EQ(canvas.drawn.size(), 2u);
    EXPECT_EQ(canvas.drawn[0].what, "fill");
    EXPECT_EQ(canvas.drawn[0].rect, (platform::CanvasRect{0, 205, 352, 222}));
    EXPECT_EQ(canvas.drawn[0].colour, 16711935u);
    EXPECT_EQ(canvas.drawn[1].text, "Captured 1 frames");
    EXPECT_EQ(canvas.drawn[1].colour, 65280u);
    EXPECT_EQ(canvas.drawn[1].format, platform::text_format::Center |
                                          platform::text_format::SingleLine |
                                          platform::text_format::Bottom);

    // The prompt shows only during a manual action while tracing.
    canvas.drawn.clear();
    status(411, "Hit ESCAPE to end capture");
    EXPECT_TRUE(canvas.drawn.empty());
    status(411, "Hit ESCAPE to end capture", {true, true, 0});
    ASSERT_EQ(canvas.drawn.size(), 2u);
    EXPECT_EQ(canvas.drawn[0].rect, (platform::CanvasRect{2, 5, 352, 40}));
    EXPECT_EQ(canvas.drawn[1].format, platform::text_format::WordBreak);

    // 503 clears the prompt and the count.
    EXPECT_EQ(v.capture.statusCounter, 1u);
    status(503, "");
    EXPECT_EQ(v.capture.statusCounter, 0u);

    // At 30 fps the disk is tested on every 60th call.
    v.disk.setFreeBytes(v.dir.path(), 9 * MB);
    v.rig.timers.advance(1);
    for (int i = 0; i < 59; ++i) {
        status(510, "frame");
    }
    EXPECT_TRUE(v.ui.boxes.empty());
    canvas.drawn.clear();
    status(510, "frame");
    EXPECT_EQ(v.boxTexts(),
              (std::vector<std::string>{"Disk will be full, capture is terminated...."}));
    EXPECT_EQ(v.capture.recordingError, 1u);
    ASSERT_EQ(canvas.drawn.size(), 1u);  // filled, no text on a stopping call

    // Past 60 000 calls a clip over 2000 MB is stopped.
    v.disk.setFreeBytes(v.dir.path(), 500 * MB);
    v.disk.setFileBytes(v.capture.clipPath, 2001 * MB);
    v.capture.recordingError = 0;
    v.capture.statusCounter = 59999;
    status(510, "frame");  // 60 000: not above
    EXPECT_EQ(v.ui.boxes.size(), 1u);
    v.capture.statusCounter = 60059;
    status(510, "frame");
    EXPECT_EQ(v.boxTexts().back(), "Capture file size is larger than 2G bytes....");
    EXPECT_EQ(v.capture.recordingError, 1u);
}

// While recording, the same edge: the 60th call with exactly 10 MB free
// carries on and paints the status, the next test with one byte less stops.
TEST(CaptureCallbacks, DiskTestStopsOnlyBelowTenMegabytes) {
    Connected v;
    RecordingCanvas canvas;
    const auto sixtyCalls = [&v, &canvas] {
        for (int i = 0; i < 60; ++i) {
            vorrak::CaptureStatusCallback(v.capture, v.services, v.settings, {}, canvas, 510,
                                          "frame");
        }
    };
    v.disk.setFreeBytes(v.dir.path(), 10 * MB);
    sixtyCalls();
    EXPECT_TRUE(v.ui.boxes.empty());
    EXPECT_EQ(v.capture.recordingError, 0u);
    ASSERT_FALSE(canvas.drawn.empty());
    EXPECT_EQ(canvas.drawn.back().text, "frame");

    v.disk.setFreeBytes(v.dir.path(), 10 * MB - 1);
    sixtyCalls();
    EXPECT_EQ(v.boxTexts(),
              (std::vector<std::string>{"Disk will be full, capture is terminated...."}));
    EXPECT_EQ(v.capture.recordingError, 1u);
}

TEST(CaptureCallbacks, ErrorsAreShownAndStopTheRecording) {
    Connected v;
    v.guard.recording = true;
    EXPECT_EQ(vorrak::CaptureErrorCallback(v.capture, v.services, v.guard, 0, ""), 1);
    EXPECT_TRUE(v.ui.boxes.empty());
    EXPECT_EQ(vorrak::CaptureErrorCallback(v.capture, v.services, v.guard, 414, "Disk full"), 1);
    ASSERT_EQ(v.ui.boxes.size(), 1u);
    EXPECT_EQ(v.ui.boxes[0].title, "Error# 414");
    EXPECT_EQ(v.ui.boxes[0].text, "Disk full");
    EXPECT_EQ(v.ui.boxes[0].style, platform::mb::ICONEXCLAMATION);
    EXPECT_EQ(v.capture.recordingError, 1u);
    EXPECT_FALSE(v.guard.recording);
    v.capture.window.reset();
    EXPECT_EQ(vorrak::CaptureErrorCallback(v.capture, v.services, v.guard, 414, "x"), 0);
}

// A rate past what the capture dialog allows is held at 30 frames a
// second where it is used: twice 2^31 wraps to 0, which the status test
// divided by.
TEST(CaptureCallbacks, AStoredRateOfTwoToTheThirtyFirstIsHeldAtThirty) {
    Connected v;
    v.settings.VIDEOFRAMERATE = 2147483648u;
    EXPECT_EQ(vorrak::RecordingParms(v.settings).dwRequestMicroSecPerFrame, 33333u);
    RecordingCanvas canvas;
    v.disk.setFreeBytes(v.dir.path(), 9 * MB);
    for (int i = 0; i < 59; ++i) {
        vorrak::CaptureStatusCallback(v.capture, v.services, v.settings, {}, canvas, 510, "frame");
    }
    EXPECT_TRUE(v.ui.boxes.empty());
    vorrak::CaptureStatusCallback(v.capture, v.services, v.settings, {}, canvas, 510, "frame");
    EXPECT_EQ(v.boxTexts(),
              (std::vector<std::string>{"Disk will be full, capture is terminated...."}));

    Connected clip;
    clip.settings.VIDEOFRAMERATE = 4294967295u;
    EXPECT_EQ(clip.record(), 1);
    EXPECT_EQ(clip.capture.framesCaptured, 60u);
}

// A recording that fails leaves no empty clip behind for the event to name.
TEST(RecordClip, AFailedRecordingLeavesNoEmptyClip) {
    Connected v;
    // The driver is lost behind Vorrak's back: the file is set up, the
    // sequence fails.
    ASSERT_TRUE(v.window().driverDisconnect());
    EXPECT_EQ(v.record(), 0);
    EXPECT_EQ(v.capture.recordingError, 1u);
    EXPECT_FALSE(v.ui.boxes.empty());
    EXPECT_EQ(v.capture.clipPath, v.capture.eventFolder + "/error0.avi");
    EXPECT_FALSE(std::filesystem::exists(v.capture.clipPath));
}

}  // namespace
}  // namespace zelkor::test
