#pragma once
// The arguments of sendcommand: a window class and a command id.

#include <cstdint>
#include <optional>
#include <string_view>

namespace zelkor::tools {

// A command id in decimal, 0 to 4294967295, digits only.
std::optional<uint32_t> ParseCommandId(std::string_view text);

// A class name the instance folder can hold: not empty, no '/', not "." or "..".
bool IsClassName(std::string_view text);

}  // namespace zelkor::tools
