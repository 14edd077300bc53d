#include "vorrak/guard/event_history.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "platform/history_file.h"
#include "platform/store_file.h"
#include "vorrak/guard/event_journal.h"
#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {

namespace {

// Runs started within the same second; past that many something else is wrong.
constexpr uint32_t kEventFolderAttempts = 1000;

std::string format(const char* pattern, auto... args) {
    char text[kEventDescriptionMax + 2 * kEventPathMax + 64];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

std::string eventLine(uint32_t number, std::string_view description, std::string_view bitmap,
                      std::string_view video) {
    return "[" + std::to_string(number) + "] [" + std::string(description) + "] [" +
           std::string(bitmap) + "] [" + std::string(video) + "]";
}

// Writes the waiting lines in order and marks each event's journal record
// done; stops at the first that cannot be written. Empty, or why not.
std::string writeWaitingLines(HistoryLog& log) {
    std::string error;
    bool journalled = false;
    while (!log.unwritten.empty()) {
        const UnwrittenLine& next = log.unwritten.front();
        if (!platform::AppendHistoryLine(log.path, next.line, &error)) {
            return error;
        }
        // A done mark that cannot be written leaves the event pending; the
        // next start finds its line in History.Log and adds none.
        if (!next.bitmapPath.empty()) {
            std::string ignored;
            JournalEventDone(log.journalPath, next.bitmapPath, &ignored);
            journalled = true;
        }
        log.unwritten.pop_front();
    }
    if (journalled) {
        CompactEventJournal(log.journalPath);
    }
    return {};
}

void keepLine(HistoryLog& log, std::string line, std::string bitmapPath) {
    if (log.unwritten.size() >= kUnwrittenLinesMax) {
        ++log.dropped;
        return;
    }
    log.unwritten.push_back({std::move(line), std::move(bitmapPath)});
}

// Whether History.Log, or a file Histran took over from it and has not
// consumed yet, holds a line of the event with this bitmap.
bool historyHoldsEvent(const std::string& historyPath, const std::string& bitmapPath) {
    const std::filesystem::path folder = std::filesystem::path(historyPath).parent_path();
    std::vector<std::string> files =
        platform::TakenHistoryFiles(folder.empty() ? "." : folder.string());
    files.push_back(historyPath);
    const std::string field = "] [" + bitmapPath + "] [";
    for (const auto& file : files) {
        std::string text;
        std::string error;
        if (platform::readWholeFile(file, &text, &error) == platform::ReadStatus::Ok &&
            text.find(field) != std::string::npos) {
            return true;
        }
    }
    return false;
}

void recoverPendingEvents(HistoryLog& log) {
    for (const JournalEvent& event : ReadPendingJournalEvents(log.journalPath)) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(event.bitmapPath, ec) ||
            historyHoldsEvent(log.path, event.bitmapPath)) {
            std::string ignored;
            JournalEventDone(log.journalPath, event.bitmapPath, &ignored);
            continue;
        }
        std::string description = event.description;
        AppendEventText(description, kRecoveredEventText);
        // A clip cut short still holds what it got; one never written is
        // no clip.
        const bool clipped = !event.clipPath.empty() &&
                             std::filesystem::is_regular_file(event.clipPath, ec) &&
                             std::filesystem::file_size(event.clipPath, ec) > 0 && !ec;
        keepLine(
            log,
            eventLine(event.number, description, event.bitmapPath, clipped ? event.clipPath : ""),
            event.bitmapPath);
    }
    writeWaitingLines(log);
    CompactEventJournal(log.journalPath);
}

}  // namespace

bool OpenHistoryLog(HistoryLog& log, const std::string& path) {
    log.path = path;
    log.journalPath =
        (std::filesystem::path(path).parent_path() / std::string(kEventJournalName)).string();
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    log.open = fd >= 0;
    if (fd >= 0) {
        ::close(fd);
        recoverPendingEvents(log);
    }
    return log.open;
}

void JournalEventName(const HistoryLog& log, const GuardState& guard, const std::string& path,
                      bool taken) {
    if (!log.open) {
        return;
    }
    // Without the record the event still gets its line when the run goes
    // on; only a crash before that would lose it.
    std::string ignored;
    if (taken) {
        JournalEventRaised(
            log.journalPath,
            {guard.EventNumber, path, guard.eventSlots[guard.eventSlotIndex].description, {}},
            &ignored);
    } else {
        JournalEventDone(log.journalPath, path, &ignored);
    }
}

void JournalClipStart(const HistoryLog& log, const GuardState& guard, const std::string& clipPath) {
    if (!log.open) {
        return;
    }
    std::string ignored;
    JournalEventClip(log.journalPath, guard.eventSlots[guard.eventSlotIndex].bitmapPath, clipPath,
                     &ignored);
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

int WriteEventLine(HistoryLog& log, const GuardState& guard, platform::Ui& ui,
                   uint32_t processStyle) {
    if (!log.open) {
        return 1;
    }
    const EventSlot& slot = guard.eventSlots[guard.eventSlotIndex];
    keepLine(log, eventLine(guard.EventNumber, slot.description, slot.bitmapPath, slot.videoPath),
             slot.bitmapPath);
    const std::string error = writeWaitingLines(log);
    if (!error.empty() && !log.failureTold) {
        log.failureTold = true;
        const std::string text = std::string(kHistoryWriteFailedMessage) + error;
        std::fprintf(stderr, "%s\n", text.c_str());
        if (processStyle == 1) {
            ui.messageBox(text, resources::kTitle, platform::mb::ICONHAND | platform::mb::TOPMOST);
        }
    }
    return 1;
}

int WriteEndOfWork(HistoryLog& log, const GuardState& guard, platform::Clock& clock) {
    if (!log.open) {
        return 1;
    }
    const platform::LocalTime t = clock.localTime();
    keepLine(log,
             format("[%d] [ . End of this work at %d/%d/%d %d:%d:%d] [] []",
                    int(guard.EventNumber + 1), t.year, t.month, t.day, t.hour, t.minute, t.second),
             "");
    const std::string error = writeWaitingLines(log);
    const uint64_t lost = log.unwritten.size() + log.dropped;
    if (lost != 0) {
        std::fprintf(stderr, "%llu %s of the event history could not be written to %s: %s\n",
                     static_cast<unsigned long long>(lost), lost == 1 ? "line" : "lines",
                     log.path.c_str(), error.empty() ? "too many waited" : error.c_str());
    }
    return 1;
}

}  // namespace zelkor::vorrak
