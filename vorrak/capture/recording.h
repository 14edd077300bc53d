#pragma once
// Snapshots and clips from the connected capture driver, with the status
// line over the picture and the guards against a full disk and an
// oversized clip.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/canvas.h"
#include "platform/capture_driver.h"
#include "platform/disk.h"
#include "vorrak/capture/capture.h"
#include "vorrak/config/settings.h"
#include "vorrak/detection/guard_state.h"

namespace zelkor::vorrak {

constexpr uint32_t kSnapshotCommand = 40018;
constexpr uint32_t kRecordCommand = 40019;

constexpr uint32_t kMinimumFreeSpaceMB = 10;
// A clip passing this size after this many status calls is stopped.
constexpr uint32_t kLargeClipMB = 2000;
constexpr uint32_t kLargeClipStatusCalls = 60000;

constexpr std::string_view kUyvyMessage =
    "Not supported format (UYVY).\nPlease select other image format, then capture again.";
constexpr std::string_view kSaveBitmapFailedMessage =
    "Fatal Error : Can't save the bitmap file. \nDisk is maybe full or System error!\n";
constexpr std::string_view kDiskFullMessage = "Disk will be full, capture is terminated....";
constexpr std::string_view kDriverErrorMessage = "Capture driver occured error....";
constexpr std::string_view kLargeClipMessage = "Capture file size is larger than 2G bytes....";

constexpr const char* kStatusFontFace = "Times New Roman";
constexpr uint32_t kStatusTextColour = 65280;      // green
constexpr uint32_t kStatusBrushColour = 16711935;  // magenta

// What the guard engine's state says about the frame to grab or the clip
// to record.
struct GuardView {
    bool tracing = false;
    bool manualAction = false;  // the user's own snapshot or clip while tracing
    uint32_t frameCounter = 0;  // guard frames grabbed so far
};

// Free space in whole megabytes where `path` lies; 0 when unknown.
uint32_t FreeSpaceMB(platform::Disk& disk, std::string_view path);
// The file's size in whole megabytes; 0 when it cannot be read.
uint32_t FileSizeMB(platform::Disk& disk, std::string_view path);

// The sequence set-up of a clip.
platform::CaptureParms RecordingParms(const Settings& settings);

// 1 when the frame file was written.
int GrabFrame(Capture& capture, CaptureServices& services, GuardState& guard,
              const GuardFiles& files, const GuardView& view);
// GrabFrame in the frame format guard mode compares, with the driver put
// back in its recording format afterwards.
int GrabFrameInFrameFormat(Capture& capture, CaptureServices& services, GuardState& guard,
                           const GuardFiles& files, const GuardView& view);
// Whose clip a recording is: an event's own, "error<EventNumber>.avi", or
// the user's, "manual<n>.avi" with the manual clip counter. Either goes into
// a file made for it in the event folder; a name that is taken, by an
// earlier event's clip or anything else, is passed over for the next free
// one, and nothing there is deleted or written over.
enum class ClipFor { Event, User };

// Told the clip's path once its file is made and before the driver writes
// into it.
using ClipStarting = std::function<void(const std::string& path)>;

// 1 when a clip with at least one frame was recorded; its path is then
// `capture.clipPath`.
int RecordClip(Capture& capture, CaptureServices& services, const Settings& settings,
               GuardState& guard, const GuardView& view, ClipFor kind,
               const ClipStarting& starting = {});

// The capture callbacks, as RecordClip installs them on the window.
int CaptureStatusCallback(Capture& capture, CaptureServices& services, const Settings& settings,
                          const GuardView& view, platform::Canvas& canvas, int number,
                          std::string_view text);
int CaptureErrorCallback(Capture& capture, CaptureServices& services, GuardState& guard, int number,
                         std::string_view text);

// Commands 40018 and 40019; nothing happens unless the driver is connected.
void SnapshotCommand(Capture& capture, CaptureServices& services, GuardState& guard,
                     const GuardFiles& files, const GuardView& view);
int RecordCommand(Capture& capture, CaptureServices& services, const Settings& settings,
                  GuardState& guard, const GuardView& view, ClipFor kind,
                  const ClipStarting& starting = {});

// The program ends: a recording that runs stops now, and its clip is closed
// as a whole, playable file, whatever its time limit (or none) says.
void EndRecordingNow(Capture& capture, const GuardState& guard);

}  // namespace zelkor::vorrak
