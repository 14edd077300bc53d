#include "tools/companions/companion_run.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace zelkor::tools {

std::optional<uint32_t> ParseDecimal(std::string_view text) {
    uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc{} || result.ptr != end) {
        return std::nullopt;
    }
    return value;
}

EventArgument ParseEventArgument(std::span<const std::string_view> args) {
    if (args.empty()) {
        return {true, std::nullopt};
    }
    if (args.size() > 1) {
        return {};
    }
    const auto event = ParseDecimal(args[0]);
    if (!event || *event == 0) {
        return {};
    }
    return {true, event};
}

int EndWith(std::string_view program, int code, const std::string& reason) {
    std::fprintf(stderr, "%.*s: %s\n", int(program.size()), program.data(), reason.c_str());
    return code;
}

int TimeoutFromEnvironment(const char* name, int fallbackMs) {
    const char* text = std::getenv(name);
    if (text == nullptr) {
        return fallbackMs;
    }
    const auto value = ParseDecimal(text);
    if (!value || *value >= uint32_t(fallbackMs)) {
        return fallbackMs;
    }
    return int(*value);
}

}  // namespace zelkor::tools
