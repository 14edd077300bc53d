#pragma once
// Case-insensitive text matching as the programs' file and value names need
// it: ASCII letters only, whatever the locale.

#include <string>
#include <string_view>

namespace zelkor::platform {

char toLowerAscii(char c);
std::string toLowerAscii(std::string_view text);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
bool startsWithIgnoreCase(std::string_view text, std::string_view prefix);

}  // namespace zelkor::platform
