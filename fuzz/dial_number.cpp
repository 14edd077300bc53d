// The dialer's number comes from the settings store: whatever it holds,
// what reaches "ATD...;" must be only dialling characters, and exactly the
// stored ones without blanks.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tools/dial/phone_number.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view number(reinterpret_cast<const char*>(data), size);
    std::string withoutBlanks;
    for (const char c : number) {
        if (c != ' ' && c != '\t') {
            withoutBlanks.push_back(c);
        }
    }
    const bool allowed = withoutBlanks.find_first_not_of("0123456789+*#,") == std::string::npos &&
                         withoutBlanks.find_first_of("0123456789") != std::string::npos;
    std::string error;
    const auto dial = zelkor::tools::DialString(number, &error);
    if (dial.has_value() != allowed || (dial && *dial != withoutBlanks) ||
        dial.has_value() == !error.empty()) {
        std::abort();
    }
    return 0;
}
