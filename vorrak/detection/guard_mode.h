#pragma once
// Guard mode's running state: the scan that compares frame after frame, the
// tracing of an object after an event, and what they show and say.

#include <array>
#include <cstdint>
#include <string_view>

#include "vorrak/detection/compare.h"
#include "vorrak/detection/guard_state.h"

namespace zelkor::vorrak {

// Guard event codes: the frame reader's failures, a timer that cannot be
// made, and a detection.
constexpr uint32_t kGuardTimerFailed = 1004;
constexpr uint32_t kGuardDetection = 1100;

constexpr uint32_t kGuardStartStopCommand = 40071;

// Timers of the capture window, and the engine's own waits (the scheduled
// start and the pause after tracing), which run as timers so that the
// program goes on repainting and answering while they last.
constexpr uint32_t kScanTimer = 3;
constexpr uint32_t kTraceTimer = 4;
constexpr uint32_t kWaitTimer = 5;

constexpr uint32_t kMaxTraceIntervalMs = 400;
constexpr uint32_t kPauseAfterTracingMs = 500;

// Colours, as 0x00BBGGRR.
constexpr uint32_t kRed = 255;
constexpr uint32_t kYellow = 65535;
// The region frame and the object box stand out two pixels wide.
constexpr int kMarkWidth = 2;
constexpr uint32_t kWhite = 16777215;

// Tracing Menu buttons.
constexpr int kTracingSnapshotButton = 3;
constexpr int kTracingCaptureButton = 4;
constexpr int kTracingMailButton = 5;
constexpr int kTracingPhoneButton = 6;
constexpr int kTracingStopButton = 7;

struct ObjectBox {
    int32_t x1 = 0;  // left
    int32_t y1 = 0;  // lower edge on the screen
    int32_t x2 = 0;  // right
    int32_t y2 = 0;  // upper edge on the screen
};

struct TracingState {
    uint32_t tracing = 0;
    uint32_t manualAction = 0;
    uint32_t tickCounter = 0;
    uint32_t stillCounter = 0;
    uint32_t releaseLimit = 0;
    uint32_t intervalMs = kMaxTraceIntervalMs;
    // The last LocateObject's box: kept across tracings, as the shrinking
    // rule of the first tick of a tracing reads the box of the one before.
    ObjectBox box;
    BlockGrid FilteredBlocks{};
    uint32_t resetCounter = 0;
    uint32_t menuOpen = 0;
    // The signal went since the last frame: the next frame only starts the
    // comparisons again.
    bool signalLost = false;
};

// What follows a wait of the engine's own.
enum class PendingStart {
    None,
    Start,        // the scheduled start of guard mode
    RearmOrStop,  // the re-arm rule after tracing ended
};

struct GuardMode {
    uint32_t active = 0;
    uint32_t frameCounter = 0;
    uint32_t verdict = 0;
    // The capture window's drawing context is held while guard mode runs.
    bool drawing = false;
    TracingState trace;
    PendingStart pending = PendingStart::None;
    // The program is ending: an event that completes now writes its line
    // and starts neither tracing nor guard mode again.
    bool ending = false;
};

}  // namespace zelkor::vorrak
