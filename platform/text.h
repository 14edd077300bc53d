#pragma once
// Text helpers for the programs' files and names: case-insensitive matching
// (ASCII letters only, whatever the locale) and trimming of blanks.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zelkor::platform {

char toLowerAscii(char c);
std::string toLowerAscii(std::string_view text);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
bool startsWithIgnoreCase(std::string_view text, std::string_view prefix);

// Spaces and tabs: the blanks around names and values in the programs'
// text files. Formats that also allow line ends name their own set.
constexpr std::string_view kBlanks = " \t";

std::string_view trimLeft(std::string_view text, std::string_view blanks = kBlanks);
std::string_view trimRight(std::string_view text, std::string_view blanks = kBlanks);
std::string_view trim(std::string_view text, std::string_view blanks = kBlanks);

// The whole of `text` as a decimal number of 32 bits, as command lines give
// numbers; none when it is empty, has a sign, a blank or anything after the
// digits, or does not fit.
std::optional<uint32_t> parseDecimal(std::string_view text);

}  // namespace zelkor::platform
