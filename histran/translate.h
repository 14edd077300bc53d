#pragma once
// Appending the events of a history file to table History.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "eventdb/event_store.h"

namespace zelkor::histran {

inline constexpr std::string_view kHistoryFileName = "history.log";
// Where lines that cannot be read are kept, in the working directory.
inline constexpr std::string_view kUnreadFileName = "History.unread";
// A longer description is refused: no event's description comes near it,
// and the browsing window shows no more of one.
inline constexpr size_t kMaxDescriptionLength = 4096;

struct TranslationResult {
    uint64_t eventLines = 0;  // lines with a bitmap path
    uint64_t stored = 0;      // rows added
    uint64_t found = 0;       // events the table held already
    uint64_t setAside = 0;    // lines copied to the unread file
    std::string error;        // why the translation stopped before the end

    // The history file may go only when every line in it was dealt with.
    bool complete() const { return error.empty(); }
};

// The file in `directory` whose name is `name` in any case ("History.Log"
// for "history.log"); the first in name order when several match.
std::optional<std::string> FindFileIgnoringCase(const std::string& directory,
                                                std::string_view name);

// Stores every event line of the history file at `path` whose Desc and
// Bitmap the database does not hold together yet, starting after the last line
// recorded for this file. Each row is stored together with the position
// after its line before the next line is read. Lines that cannot be read
// for sure, or whose description is longer than kMaxDescriptionLength, are
// appended to `unreadPath` as they stand, so no line is lost with the file.
// Stops at the first failure, which `error` then describes.
TranslationResult TranslateHistory(eventdb::EventStore& store, const std::string& path,
                                   const std::string& unreadPath);

}  // namespace zelkor::histran
