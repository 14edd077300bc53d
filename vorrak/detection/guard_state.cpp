#include "vorrak/detection/guard_state.h"

#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {

void AppendEventText(std::string& description, std::string_view text) {
    const size_t room = kEventDescriptionMax - 1;
    if (description.size() < room) {
        description.append(text.substr(0, room - description.size()));
    }
}

bool InitGuardFiles(const std::string& workingDir, GuardFiles& files, GuardState& state) {
    state.EventNumber = 0;
    state.eventSlotIndex = 0;
    state.restartCounter = 0;
    state.manualSnapshotCount = 0;
    state.manualVideoCount = 0;
    state.recording = false;
    state.eventSlots.fill(EventSlot{});
    state.history = FrameHistory{};
    state.tracingReference.reset();
    state.lastFrame = LastFrameRead{};
    state.compare.ActiveBlockCount = 0;
    for (auto& column : state.compare.RegionMask) {
        column.fill(1);
    }
    for (auto& column : state.compare.ChangedBlocks) {
        column.fill(0);
    }

    GuardFiles built{workingDir + "/" + kWorkFile0Name, workingDir + "/" + kWorkFile1Name,
                     workingDir + "/" + std::string(resources::kHistoryFileName)};
    for (const std::string* path : {&built.workFile0, &built.workFile1, &built.historyFile}) {
        if (path->size() > kGuardPathMax) {
            files = GuardFiles{};
            return false;
        }
    }
    files = std::move(built);
    return true;
}

}  // namespace zelkor::vorrak
