#include "histran/history_line.h"

namespace zelkor::histran {

std::string_view BracketField(std::string_view text) {
    const size_t open = text.find('[');
    const size_t close = text.find(']');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open + 2) {
        return {};
    }
    return text.substr(open + 1, close - open - 1);
}

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Drops the blanks at the front of `text` and says how many there were.
size_t dropBlanks(std::string_view* text) {
    size_t n = 0;
    while (n < text->size() && ((*text)[n] == ' ' || (*text)[n] == '\t')) {
        ++n;
    }
    text->remove_prefix(n);
    return n;
}

// What stands before the first field.
std::string_view withoutLead(std::string_view line) {
    if (line.starts_with(kByteOrderMark)) {
        line.remove_prefix(kByteOrderMark.size());
    }
    dropBlanks(&line);
    return line;
}

// Takes the field at the front of `rest` (which must start with '['), and
// moves `rest` past it and the blanks after it. Blanks must follow a field
// that is not the last; nothing else may follow the last.
bool cutField(std::string_view* rest, bool last, std::string_view* field) {
    if (rest->empty() || rest->front() != '[') {
        return false;
    }
    const size_t close = rest->find(']');
    if (close == std::string_view::npos) {
        return false;
    }
    // The same text BracketField gives, here where '[' stands first.
    *field = BracketField(*rest);
    rest->remove_prefix(close + 1);
    const size_t blanks = dropBlanks(rest);
    return last ? rest->empty() : blanks > 0;
}

}  // namespace

std::optional<HistoryLine> ParseHistoryLine(std::string_view line) {
    if (line.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    HistoryLine out;
    std::string_view rest = withoutLead(line);
    if (!cutField(&rest, false, &out.number) || !cutField(&rest, false, &out.description) ||
        !cutField(&rest, false, &out.bitmap) || !cutField(&rest, true, &out.video)) {
        return std::nullopt;
    }
    return out;
}

bool IsBlankHistoryLine(std::string_view line) {
    return withoutLead(line).empty();
}

}  // namespace zelkor::histran
