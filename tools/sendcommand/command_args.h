#pragma once
// The command id argument of sendcommand.

#include <cstdint>
#include <optional>
#include <string_view>

namespace zelkor::tools {

// A command id in decimal, 0 to 4294967295, digits only.
std::optional<uint32_t> ParseCommandId(std::string_view text);

}  // namespace zelkor::tools
