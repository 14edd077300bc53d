#pragma once
// The guard engine's files and bookkeeping, reset once at start-up.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "vorrak/detection/compare.h"
#include "vorrak/detection/frame_bitmap.h"
#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {

using resources::kGuardPathMax;

constexpr const char* kWorkFile0Name = "work0.bmp";
constexpr const char* kWorkFile1Name = "work1.bmp";

struct GuardFiles {
    std::string workFile0;
    std::string workFile1;
    std::string historyFile;
};

// Text limits of an event slot.
constexpr size_t kEventDescriptionMax = 250;
constexpr size_t kEventPathMax = 255;
// Slots 1..100 are used in turn; slot 0 never.
constexpr size_t kEventSlotCount = 101;

struct EventSlot {
    std::string description;
    std::string bitmapPath;
    std::string videoPath;
};

// Appends a later step's text (a companion's failure, the end of tracing) to
// an event's description, cut so that the description keeps within its
// field of kEventDescriptionMax - 1 characters.
void AppendEventText(std::string& description, std::string_view text);

// Frames are shared: at the first frame all three history references and
// later the tracing reference point at the same block, which goes when its
// last reference does.
using FrameRef = std::shared_ptr<const FrameImage>;

struct FrameHistory {
    FrameRef newest;
    FrameRef previous;
    FrameRef oldest;
};

struct GuardState {
    uint32_t EventNumber = 0;
    uint32_t eventSlotIndex = 0;
    uint32_t restartCounter = 0;
    uint32_t manualSnapshotCount = 0;
    uint32_t manualVideoCount = 0;
    bool recording = false;
    std::array<EventSlot, kEventSlotCount> eventSlots;
    FrameHistory history;
    FrameRef tracingReference;
    LastFrameRead lastFrame;
    CompareState compare;
};

// Builds the work file and history file paths inside `workingDir` and resets
// the guard bookkeeping. Returns false, with all three paths left empty,
// when a path would exceed kGuardPathMax: a cut-off path would point
// somewhere else. The bookkeeping is reset either way.
bool InitGuardFiles(const std::string& workingDir, GuardFiles& files, GuardState& state);

}  // namespace zelkor::vorrak
