#include "tools/dial/phone_number.h"

namespace zelkor::tools {

std::optional<std::string> DialString(std::string_view number, std::string* error) {
    std::string dial;
    bool digit = false;
    for (size_t i = 0; i < number.size(); ++i) {
        const char c = number[i];
        if (c == ' ' || c == '\t') {
            continue;
        }
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c != '+' && c != '*' && c != '#' && c != ',') {
            // The number itself is not echoed: it may hold a line break.
            *error =
                "PHONENUMBER may hold only digits, \"+\", \"*\", \"#\", \",\" and blanks; "
                "character " +
                std::to_string(i + 1) + " is none of them";
            return std::nullopt;
        }
        dial.push_back(c);
    }
    if (!digit) {
        *error = number.empty() ? "no PHONENUMBER to dial; set it with VrakSetup"
                                : "PHONENUMBER holds no digit";
        return std::nullopt;
    }
    return dial;
}

}  // namespace zelkor::tools
