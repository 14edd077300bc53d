#include "tools/sendcommand/command_args.h"

#include <charconv>

namespace zelkor::tools {

std::optional<uint32_t> ParseCommandId(std::string_view text) {
    uint32_t id = 0;
    const char* end = text.data() + text.size();
    if (text.empty() || text.front() < '0' || text.front() > '9') {
        return std::nullopt;
    }
    const auto [stop, ec] = std::from_chars(text.data(), end, id, 10);
    if (ec != std::errc() || stop != end) {
        return std::nullopt;
    }
    return id;
}

bool IsClassName(std::string_view text) {
    return !text.empty() && text.find('/') == std::string_view::npos && text != "." &&
           text != ".." && text.find('\0') == std::string_view::npos;
}

}  // namespace zelkor::tools
