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
    std::string_view description;  // Desc
    std::string_view bitmap;       // empty on the end-of-work line
    std::string_view video;        // empty when the event has no clip
};

// Cuts the four fields. Blanks (spaces, tabs) before, between and after the
// fields and a UTF-8 byte-order mark in front are passed over, as an edited
// file may hold them without any doubt about the fields; blanks inside the
// brackets belong to the field. A line whose fields cannot be told for sure
// is refused, so nothing is taken from a wrong place: a field not opened by
// '[' where one is due, a missing ']', no blank between two fields, text
// after the last field (a ']' inside a description gives one of these), or
// a NUL byte (not a text line: a UTF-16 file, for one). The fields view into
// `line`.
std::optional<HistoryLine> ParseHistoryLine(std::string_view line);

// Whether `line` holds nothing but blanks and a byte-order mark.
bool IsBlankHistoryLine(std::string_view line);

}  // namespace zelkor::histran
