#pragma once
// The stored telephone number, checked before anything reaches the modem:
// a letter or a ";" in it would be a command of its own on the AT line.

#include <optional>
#include <string>
#include <string_view>

namespace zelkor::tools {

// The dial string for "ATD<dial string>;": the digits and the dialling
// characters "+", "*", "#" and "," (a pause) of `number`, with its blanks
// left out. Nothing, with `error` set, for any other character or when no
// digit is left.
std::optional<std::string> DialString(std::string_view number, std::string* error);

}  // namespace zelkor::tools
