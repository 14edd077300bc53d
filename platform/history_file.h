#pragma once
// The hand-over of the event history file between Vorrak, which appends to
// it, and Histran, which consumes it, possibly at the same time.
//
// The writer opens the file by name for every line, takes an flock(2) lock,
// checks that the name still refers to the file it opened, appends the whole
// line, flushes it to disk and closes. Histran takes the same lock and
// renames the file to a name of its own in the same folder before it reads
// it. A line is therefore either in the file Histran took, whole, or in a new
// file under the old name; it is never written into a file after Histran took
// it, and Histran never has to delete a file by a name the writer uses.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelkor::platform {

// Appends `line` followed by CR LF to the history file at `path`, creating
// the file when it is missing, and flushes it to disk before returning. A
// line holding a CR or LF is refused, since it would read back as two lines.
// False with `error` set when nothing was appended; a write that stopped
// part-way is cut off again, so the file never holds a torn line. A symbolic
// link at `path` is refused rather than followed.
bool AppendHistoryLine(const std::string& path, std::string_view line, std::string* error);

// Renames the history file at `path` to a new name in the same folder (one
// that TakenHistoryFiles lists), under the writer's lock, and returns the new
// path. No value when there was nothing to take: `error` is then empty when
// no file is at `path`, and says why otherwise.
std::optional<std::string> TakeOverHistoryFile(const std::string& path, std::string* error);

// The files TakeOverHistoryFile made in `directory` that are still there,
// left by a run that ended before it had consumed them; oldest first.
std::vector<std::string> TakenHistoryFiles(const std::string& directory);

}  // namespace zelkor::platform
