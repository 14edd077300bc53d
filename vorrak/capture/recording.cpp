#include "vorrak/capture/recording.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "platform/numbered_file.h"
#include "vorrak/capture/capture_format.h"
#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {

namespace {
namespace vf = platform::video_format;
namespace tf = platform::text_format;
namespace message = platform::capture_message;

constexpr uint64_t kMegabyte = 1048576;
constexpr uint32_t kBoxStyle = platform::mb::ICONHAND | platform::mb::TOPMOST;
constexpr uint32_t kDefaultFrameRate = 30;

// The rate the capture dialog allows, 1-30: a stored 0 takes the settings'
// default, and a rate past 30 is held at 30, so the status test's period
// (twice the rate) can neither be 0 nor overflow to 0.
uint32_t frameRate(const Settings& settings) {
    return settings.VIDEOFRAMERATE == 0 ? kDefaultFrameRate
                                        : std::min(settings.VIDEOFRAMERATE, kDefaultFrameRate);
}

// A file reserved for the driver that it never wrote would be named by the
// event as if it held the recording.
void discardEmptyFile(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::file_size(path, ec) == 0 && !ec) {
        std::filesystem::remove(path, ec);
    }
}

// Every clip gets a file of its own, made here before the driver writes it:
// an event's clip, or the next manual one. A name that is taken belongs to
// someone else and is passed over.
std::optional<std::string> reserveClip(Capture& capture, GuardState& guard, ClipFor kind) {
    platform::NumberedName name{capture.eventFolder, kind == ClipFor::Event ? "error" : "manual",
                                kind == ClipFor::Event ? guard.EventNumber : guard.manualVideoCount,
                                "avi"};
    std::string error;
    const auto reserved = platform::createNumberedFile(name, &error);
    capture.clipPath = reserved.value_or(name.path());
    if (reserved && kind == ClipFor::User) {
        guard.manualVideoCount = name.number + 1;
    }
    return reserved;
}

platform::CanvasRect promptRect(const Capture& capture) {
    return {2, 5, int(capture.FrameWidth), int(capture.FrameHeight / 6)};
}

// Sets the error flag and ends the running sequence: the flag alone would
// let the clip grow until its time limit, or for ever without one.
void stopRecording(Capture& capture) {
    capture.recordingError = 1;
    capture.window->stop();
}
}  // namespace

uint32_t FreeSpaceMB(platform::Disk& disk, std::string_view path) {
    const auto bytes = disk.freeBytes(path);
    return bytes ? uint32_t(*bytes / kMegabyte) : 0;
}

uint32_t FileSizeMB(platform::Disk& disk, std::string_view path) {
    const auto bytes = disk.fileBytes(path);
    return bytes ? uint32_t(*bytes / kMegabyte) : 0;
}

platform::CaptureParms RecordingParms(const Settings& settings) {
    platform::CaptureParms p;
    p.dwRequestMicroSecPerFrame = uint32_t(1000000.0 / frameRate(settings) + 0.5);
    p.fMakeUserHitOKToCapture = 0;
    p.wPercentDropForError = 100;
    p.fYield = 0;
    p.dwIndexSize = 324000;
    p.wChunkGranularity = 0;
    p.fUsingDOSMemory = 0;
    p.wNumVideoRequested = 32;
    p.fCaptureAudio = 0;
    p.wNumAudioRequested = 5;
    p.vKeyAbort = 27;
    p.fAbortLeftMouse = 0;
    p.fAbortRightMouse = 0;
    p.fLimitEnabled = settings.PROCESSSTYLE == 1 ? 0 : 1;
    p.wTimeLimit = settings.VIDEORECORDINGTIME;
    p.fStepCaptureAt2x = 0;
    p.wStepCaptureAverageFrames = 5;
    p.dwAudioBufferSize = 0;
    p.fDisableWriteCache = 0;
    p.AVStreamMaster = 0;
    return p;
}

int GrabFrame(Capture& capture, CaptureServices& services, GuardState& guard,
              const GuardFiles& files, const GuardView& view) {
    vf::Header format;
    if (vf::decode(capture.window->getVideoFormat(), format) && format.compression == vf::Uyvy) {
        services.ui.messageBox(kUyvyMessage, resources::kTitle, kBoxStyle);
        return 0;
    }
    capture.window->grabFrameNoStop();
    const bool snapshot = view.tracing && view.manualAction;
    std::string path;
    if (snapshot) {
        platform::NumberedName name{capture.eventFolder, "manual", guard.manualSnapshotCount,
                                    "bmp"};
        std::string error;
        const auto reserved = platform::createNumberedFile(name, &error);
        if (!reserved) {
            services.ui.messageBox(kSaveBitmapFailedMessage, resources::kTitle, kBoxStyle);
            return 0;
        }
        guard.manualSnapshotCount = name.number + 1;
        path = *reserved;
    } else if (view.tracing || view.frameCounter % 2 != 0) {
        path = files.workFile1;
    } else {
        path = files.workFile0;
    }
    if (!capture.window->fileSaveDib(path)) {
        if (snapshot) {
            discardEmptyFile(path);
        }
        services.ui.messageBox(kSaveBitmapFailedMessage, resources::kTitle, kBoxStyle);
        return 0;
    }
    if (snapshot && services.showPicture) {
        services.showPicture(path);
    }
    return 1;
}

int CaptureStatusCallback(Capture& capture, CaptureServices& services, const Settings& settings,
                          const GuardView& view, platform::Canvas& canvas, int number,
                          std::string_view text) {
    const StatusPainting& paint = capture.painting;
    if (number == message::SequencePrompt) {
        if (view.tracing && view.manualAction) {
            canvas.fillRect(promptRect(capture), paint.brushColour);
            canvas.drawText(text, promptRect(capture), paint.font, paint.textColour, tf::WordBreak);
        }
        return 1;
    }
    if (number == message::CaptureFinished) {
        canvas.fillRect(promptRect(capture), paint.brushColour);
        capture.statusCounter = 0;
        return 1;
    }
    canvas.fillRect(paint.rect, paint.brushColour);
    ++capture.statusCounter;
    if (capture.statusCounter % (frameRate(settings) * 2) == 0) {
        if (FreeSpaceMB(services.disk, capture.eventFolder) < kMinimumFreeSpaceMB) {
            stopRecording(capture);
            services.ui.messageBox(kDiskFullMessage, resources::kTitle, kBoxStyle);
            return 1;
        }
        if (capture.statusCounter > kLargeClipStatusCalls &&
            FileSizeMB(services.disk, capture.clipPath) > kLargeClipMB) {
            services.ui.messageBox(kLargeClipMessage, resources::kTitle, kBoxStyle);
            stopRecording(capture);
            return 1;
        }
    }
    canvas.drawText(text, paint.rect, paint.font, paint.textColour,
                    tf::Center | tf::SingleLine | tf::Bottom);
    return 1;
}

int CaptureErrorCallback(Capture& capture, CaptureServices& services, GuardState& guard, int number,
                         std::string_view text) {
    if (capture.window == nullptr) {
        return 0;
    }
    if (number == 0) {
        return 1;
    }
    char title[32];
    std::snprintf(title, sizeof title, "Error# %d", number);
    services.ui.messageBox(text, title, platform::mb::ICONEXCLAMATION);
    capture.recordingError = 1;
    guard.recording = false;
    return 1;
}

int GrabFrameInFrameFormat(Capture& capture, CaptureServices& services, GuardState& guard,
                           const GuardFiles& files, const GuardView& view) {
    SetCaptureFormat(*capture.window, kFrameFormatMode, capture.frameBitDepth);
    const int grabbed = GrabFrame(capture, services, guard, files, view);
    SetRecordingFormat(capture);
    return grabbed;
}

int RecordClip(Capture& capture, CaptureServices& services, const Settings& settings,
               GuardState& guard, const GuardView& view, ClipFor kind,
               const ClipStarting& starting) {
    platform::CaptureWindow& window = *capture.window;
    capture.recordingError = 0;
    if (!capture.recordingFormatSet) {
        capture.recordingError = 1;
        services.ui.messageBox(kDriverErrorMessage, resources::kTitle, kBoxStyle);
        return 0;
    }
    if (FreeSpaceMB(services.disk, capture.eventFolder) < kMinimumFreeSpaceMB) {
        capture.recordingError = 1;
        services.ui.messageBox(kDiskFullMessage, resources::kTitle, kBoxStyle);
        return 0;
    }
    window.setErrorCallback([&capture, &services, &guard](int n, std::string_view t) {
        return CaptureErrorCallback(capture, services, guard, n, t);
    });
    const bool reserved = reserveClip(capture, guard, kind).has_value();
    window.setSequenceSetup(RecordingParms(settings));
    if (!reserved || !window.fileSetCaptureFile(capture.clipPath)) {
        if (reserved) {
            discardEmptyFile(capture.clipPath);
        }
        char text[kPathSize + 300];
        std::snprintf(text, sizeof text,
                      "Your video recording file %s cannot record now ...\n The file may be "
                      "opened by another video player or device...\nPlease rename your file or "
                      "close another process before you recording...",
                      capture.clipPath.c_str());
        services.ui.messageBox(text, resources::kTitle, platform::mb::TOPMOST);
        return 0;
    }
    platform::Canvas& canvas = window.canvas();
    window.setStatusCallback(
        [&capture, &services, &settings, view, &canvas](int n, std::string_view t) {
            return CaptureStatusCallback(capture, services, settings, view, canvas, n, t);
        });
    const auto w = int(capture.FrameWidth);
    const auto h = int(capture.FrameHeight);
    capture.painting = {{kStatusFontFace, h / 15},
                        {0, h * 12 / 14, w, h * 13 / 14},
                        kStatusTextColour,
                        kStatusBrushColour};

    if (capture.recordingError != 0) {
        services.ui.messageBox(kDriverErrorMessage, resources::kTitle, kBoxStyle);
        discardEmptyFile(capture.clipPath);
        return 0;
    }
    if (starting) {
        starting(capture.clipPath);
    }
    guard.recording = true;
    const bool recorded = window.sequence();
    window.setStatusCallback(nullptr);
    if (capture.recordingError != 0) {
        window.stop();
    }
    guard.recording = false;
    if (!recorded) {
        discardEmptyFile(capture.clipPath);
        return 0;
    }
    platform::CaptureStatus status;
    window.getStatus(status);
    capture.framesCaptured = status.dwCurrentVideoFrame;
    return capture.framesCaptured > 0 ? 1 : 0;
}

void SnapshotCommand(Capture& capture, CaptureServices& services, GuardState& guard,
                     const GuardFiles& files, const GuardView& view) {
    if (capture.CaptureState != kCaptureConnected) {
        return;
    }
    GrabFrameInFrameFormat(capture, services, guard, files, view);
}

int RecordCommand(Capture& capture, CaptureServices& services, const Settings& settings,
                  GuardState& guard, const GuardView& view, ClipFor kind,
                  const ClipStarting& starting) {
    if (capture.CaptureState != kCaptureConnected) {
        return 0;
    }
    return RecordClip(capture, services, settings, guard, view, kind, starting);
}

void EndRecordingNow(Capture& capture, const GuardState& guard) {
    if (guard.recording && capture.window) {
        capture.window->stop();
    }
}

}  // namespace zelkor::vorrak
