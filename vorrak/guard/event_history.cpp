#include "vorrak/guard/event_history.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/history_file.h"

namespace zelkor::vorrak {

namespace {

// Runs started within the same second; past that many something else is wrong.
constexpr uint32_t kEventFolderAttempts = 1000;

std::string format(const char* pattern, auto... args) {
    char text[kEventDescriptionMax + 2 * kEventPathMax + 64];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

}  // namespace

bool OpenHistoryLog(HistoryLog& log, const std::string& path) {
    log.path = path;
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    log.open = fd >= 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return log.open;
}

uint32_t EventSlotIndex(uint32_t eventNumber) {
    const uint32_t index = eventNumber % 100;
    return index == 0 ? 100 : index;
}

int CreateEventFolder(std::string& eventFolder, const std::string& workingDir,
                      platform::Clock& clock) {
    const platform::LocalTime t = clock.localTime();
    const std::string folder =
        workingDir + "/" +
        format("%d.%d.%d_%d.%d.%d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    // A folder of that name is another run's (two runs started within the
    // same second): this run takes the next free "_2", "_3", ... instead.
    for (uint32_t n = 1; n <= kEventFolderAttempts; ++n) {
        const std::string candidate = n == 1 ? folder : folder + "_" + std::to_string(n);
        if (::mkdir(candidate.c_str(), 0777) == 0) {
            eventFolder = candidate;
            return 1;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    eventFolder = workingDir;
    return 0;
}

platform::NumberedName EventBitmapName(const std::string& eventFolder, uint32_t eventNumber) {
    return {eventFolder, "error", eventNumber, "bmp"};
}

int FillEventSlot(GuardState& guard, const std::string& eventFolder, platform::Clock& clock,
                  std::string& eventPicture) {
    guard.eventSlotIndex = EventSlotIndex(guard.EventNumber);
    EventSlot& slot = guard.eventSlots[guard.eventSlotIndex];
    const platform::LocalTime t = clock.localTime();
    slot.description =
        format("%d/%d/%d Detect Time:%d:%d:%d", t.year, t.month, t.day, t.hour, t.minute, t.second)
            .substr(0, kEventDescriptionMax - 1);
    slot.bitmapPath = EventBitmapName(eventFolder, guard.EventNumber).path();
    // A reused slot still names the clip of the event 100 before; only a
    // clip this event records may be named in its line.
    slot.videoPath.clear();
    eventPicture = slot.bitmapPath;
    return 1;
}

int WriteEventLine(const HistoryLog& log, const GuardState& guard) {
    if (!log.open) {
        return 1;
    }
    const EventSlot& slot = guard.eventSlots[guard.eventSlotIndex];
    const std::string line = "[" + std::to_string(guard.EventNumber) + "] [" + slot.description +
                             "] [" + slot.bitmapPath + "] [" + slot.videoPath + "]";
    std::string error;
    platform::AppendHistoryLine(log.path, line, &error);
    return 1;
}

int WriteEndOfWork(const HistoryLog& log, const GuardState& guard, platform::Clock& clock) {
    if (!log.open) {
        return 1;
    }
    const platform::LocalTime t = clock.localTime();
    const std::string line =
        format("[%d] [ . End of this work at %d/%d/%d %d:%d:%d] [] []", int(guard.EventNumber + 1),
               t.year, t.month, t.day, t.hour, t.minute, t.second);
    std::string error;
    platform::AppendHistoryLine(log.path, line, &error);
    return 1;
}

}  // namespace zelkor::vorrak
