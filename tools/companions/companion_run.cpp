#include "tools/companions/companion_run.h"

#include <cstdio>
#include <cstdlib>

#include "platform/text.h"

namespace zelkor::tools {

EventArgument ParseEventArgument(std::span<const std::string_view> args) {
    if (args.empty()) {
        return {true, std::nullopt};
    }
    if (args.size() > 1) {
        return {};
    }
    const auto event = platform::parseDecimal(args[0]);
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
    const auto value = platform::parseDecimal(text);
    if (!value || *value >= uint32_t(fallbackMs)) {
        return fallbackMs;
    }
    return int(*value);
}

}  // namespace zelkor::tools
