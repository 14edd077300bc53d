#include "tools/sendcommand/command_args.h"

#include <charconv>

namespace zelkor::tools {

std::optional<uint32_t> ParseCommandId(std::string_view text) {
    uint32_t id = 0;
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, id, 10);
    if (ec != std::errc() || stop != end) {
        return std::nullopt;
    }
    return id;
}

}  // namespace zelkor::tools
