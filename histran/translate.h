#pragma once
// Appending the events of the history file to table History.

#include <cstdint>
#include <optional>
#include <string>

#include "eventdb/recordset.h"

namespace zelkor::histran {

inline constexpr std::string_view kHistoryFileName = "history.log";

struct TranslationResult {
    bool readAll = false;     // the file was read to its end
    uint64_t eventLines = 0;  // lines with a bitmap path
    uint64_t stored = 0;      // rows added
    uint64_t found = 0;       // events the table held already
    uint64_t failed = 0;      // rows that could not be stored
    uint64_t malformed = 0;   // lines without the bracket structure, skipped
    std::string error;        // the first failure's description

    // The history file may go only when nothing in it is left to store.
    bool complete() const { return readAll && failed == 0; }
};

// The file in `directory` whose name is `name` in any case ("History.Log"
// for "history.log"); the first in name order when several match.
std::optional<std::string> FindFileIgnoringCase(const std::string& directory,
                                                std::string_view name);

// Stores every event line of `historyPath` whose description the table does
// not hold yet; each row is stored before the next line is read. The
// descriptions already present are read once into a set, so a line costs a
// lookup, not a walk of the table. A description is an exact,
// case-sensitive match; an empty one never matches.
TranslationResult TranslateHistory(eventdb::Recordset& table, const std::string& historyPath);

}  // namespace zelkor::histran
