#include "platform/text.h"

#include <algorithm>
#include <charconv>

namespace zelkor::platform {

char toLowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

std::string toLowerAscii(std::string_view text) {
    std::string out(text);
    for (auto& c : out) {
        c = toLowerAscii(c);
    }
    return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return toLowerAscii(x) == toLowerAscii(y);
           });
}

bool startsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

std::string_view trimLeft(std::string_view text, std::string_view blanks) {
    const size_t first = text.find_first_not_of(blanks);
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

std::string_view trimRight(std::string_view text, std::string_view blanks) {
    const size_t last = text.find_last_not_of(blanks);
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

std::string_view trim(std::string_view text, std::string_view blanks) {
    return trimRight(trimLeft(text, blanks), blanks);
}

std::optional<uint32_t> parseDecimal(std::string_view text) {
    uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc{} || result.ptr != end) {
        return std::nullopt;
    }
    return value;
}

}  // namespace zelkor::platform
