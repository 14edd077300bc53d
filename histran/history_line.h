#pragma once
// Reading one line of the event history: "[number] [description] [bitmap]
// [video]", four bracketed fields separated by one blank.

#include <optional>
#include <string>
#include <string_view>

namespace zelkor::histran {

// The text strictly between the first '[' and the first ']' of `text`;
// empty when they enclose nothing, the ']' is missing or stands first.
std::string_view BracketField(std::string_view text);

struct HistoryLine {
    std::string_view number;       // read and dropped
    std::string_view description;  // Desc, and the event's identity
    std::string_view bitmap;       // empty on the end-of-work line
    std::string_view video;        // empty when the event has no clip
};

// Cuts the four fields. A line that does not have the bracket structure
// (too short for a cut, a field not opened by '[' where the cut lands, a
// missing ']' or separator) is refused, so nothing is taken from a wrong
// place. The fields view into `line`.
std::optional<HistoryLine> ParseHistoryLine(std::string_view line);

}  // namespace zelkor::histran
