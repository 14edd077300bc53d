#include "vorrak/guard/event_journal.h"

#include <unistd.h>

#include <algorithm>
#include <optional>

#include "platform/history_file.h"
#include "platform/store_file.h"
#include "platform/text.h"
#include "vorrak/detection/guard_state.h"

namespace zelkor::vorrak {

namespace {

constexpr std::string_view kRaised = "raised ";
constexpr std::string_view kClip = "clip ";
constexpr std::string_view kDone = "done ";
constexpr std::string_view kLineEnd = "\r\n";

// Brackets would break the history line built from the field; control
// characters have no place in a path or description.
bool fitsHistoryField(std::string_view field) {
    return std::none_of(field.begin(), field.end(), [](char c) {
        return c == '[' || c == ']' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    });
}

// "<length> <path>" at the front of `text`; the rest follows in `text`.
std::optional<std::string_view> takePath(std::string_view& text) {
    const size_t blank = text.find(' ');
    if (blank == std::string_view::npos) {
        return std::nullopt;
    }
    const auto length = platform::parseDecimal(text.substr(0, blank));
    text.remove_prefix(blank + 1);
    if (!length || *length == 0 || *length >= kEventPathMax || *length > text.size()) {
        return std::nullopt;
    }
    const std::string_view path = text.substr(0, *length);
    text.remove_prefix(*length);
    if (!fitsHistoryField(path)) {
        return std::nullopt;
    }
    return path;
}

std::optional<JournalEvent> parseRaised(std::string_view record) {
    const size_t blank = record.find(' ');
    if (blank == std::string_view::npos) {
        return std::nullopt;
    }
    const auto number = platform::parseDecimal(record.substr(0, blank));
    record.remove_prefix(blank + 1);
    const auto path = takePath(record);
    if (!number || !path || !record.starts_with(' ')) {
        return std::nullopt;
    }
    record.remove_prefix(1);
    if (record.size() >= kEventDescriptionMax || !fitsHistoryField(record)) {
        return std::nullopt;
    }
    return JournalEvent{*number, std::string(*path), std::string(record), {}};
}

// The bitmap path and the clip path of a clip record.
std::optional<std::pair<std::string_view, std::string_view>> parseClip(std::string_view record) {
    const auto bitmap = takePath(record);
    if (!bitmap || !record.starts_with(' ')) {
        return std::nullopt;
    }
    record.remove_prefix(1);
    const auto clip = takePath(record);
    if (!clip || !record.empty()) {
        return std::nullopt;
    }
    return std::pair{*bitmap, *clip};
}

std::optional<std::string_view> parseDone(std::string_view record) {
    const auto path = takePath(record);
    if (!path || !record.empty()) {
        return std::nullopt;
    }
    return path;
}

void forget(std::vector<JournalEvent>& events, std::string_view bitmapPath) {
    std::erase_if(events, [&](const JournalEvent& e) { return e.bitmapPath == bitmapPath; });
}

}  // namespace

std::vector<JournalEvent> PendingJournalEvents(std::string_view text) {
    std::vector<JournalEvent> pending;
    for (size_t end = text.find(kLineEnd); end != std::string_view::npos;
         end = text.find(kLineEnd)) {
        const std::string_view record = text.substr(0, end);
        text.remove_prefix(end + kLineEnd.size());
        if (record.starts_with(kRaised)) {
            if (auto event = parseRaised(record.substr(kRaised.size()))) {
                forget(pending, event->bitmapPath);
                pending.push_back(std::move(*event));
            }
        } else if (record.starts_with(kClip)) {
            if (const auto clip = parseClip(record.substr(kClip.size()))) {
                for (JournalEvent& event : pending) {
                    if (event.bitmapPath == clip->first) {
                        event.clipPath = clip->second;
                    }
                }
            }
        } else if (record.starts_with(kDone)) {
            if (const auto path = parseDone(record.substr(kDone.size()))) {
                forget(pending, *path);
            }
        }
    }
    return pending;
}

bool JournalEventRaised(const std::string& journalPath, const JournalEvent& event,
                        std::string* error) {
    const std::string record = std::string(kRaised) + std::to_string(event.number) + " " +
                               std::to_string(event.bitmapPath.size()) + " " + event.bitmapPath +
                               " " + event.description;
    return platform::AppendHistoryLine(journalPath, record, error);
}

bool JournalEventClip(const std::string& journalPath, const std::string& bitmapPath,
                      const std::string& clipPath, std::string* error) {
    const std::string record = std::string(kClip) + std::to_string(bitmapPath.size()) + " " +
                               bitmapPath + " " + std::to_string(clipPath.size()) + " " + clipPath;
    return platform::AppendHistoryLine(journalPath, record, error);
}

bool JournalEventDone(const std::string& journalPath, const std::string& bitmapPath,
                      std::string* error) {
    const std::string record =
        std::string(kDone) + std::to_string(bitmapPath.size()) + " " + bitmapPath;
    return platform::AppendHistoryLine(journalPath, record, error);
}

std::vector<JournalEvent> ReadPendingJournalEvents(const std::string& journalPath) {
    std::string text;
    std::string error;
    if (platform::readWholeFile(journalPath, &text, &error) != platform::ReadStatus::Ok) {
        return {};
    }
    return PendingJournalEvents(text);
}

void CompactEventJournal(const std::string& journalPath) {
    std::string text;
    std::string error;
    if (platform::readWholeFile(journalPath, &text, &error) == platform::ReadStatus::Ok &&
        PendingJournalEvents(text).empty()) {
        ::unlink(journalPath.c_str());
    }
}

}  // namespace zelkor::vorrak
