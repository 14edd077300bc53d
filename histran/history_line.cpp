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

// Takes the field at the front of `rest` (which must start with '['), and
// moves `rest` past it and, unless it is the last field, past its blank.
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
    if (last) {
        rest->remove_prefix(close + 1);
        return true;
    }
    if (close + 1 >= rest->size() || (*rest)[close + 1] != ' ') {
        return false;
    }
    rest->remove_prefix(close + 2);
    return true;
}

}  // namespace

std::optional<HistoryLine> ParseHistoryLine(std::string_view line) {
    HistoryLine out;
    std::string_view rest = line;
    if (!cutField(&rest, false, &out.number) || !cutField(&rest, false, &out.description) ||
        !cutField(&rest, false, &out.bitmap) || !cutField(&rest, true, &out.video)) {
        return std::nullopt;
    }
    return out;
}

}  // namespace zelkor::histran
