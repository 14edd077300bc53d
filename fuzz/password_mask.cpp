// Hiding passwords in connection strings: every range lies inside the
// text, in order and apart, and masking replaces exactly those ranges;
// hiding a password in a message never reads outside either text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "eventdb/database_location.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zelkor::eventdb;
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t end = 0;
    size_t maskedSize = text.size();
    const auto ranges = PasswordRanges(text);
    for (const auto& [start, length] : ranges) {
        if (start < end || start > text.size() || length > text.size() - start) {
            std::abort();
        }
        end = start + length;
        maskedSize += 3 - length;
    }
    if (MaskPassword(text).size() != maskedSize) {
        std::abort();
    }
    // The mask itself is made of '*': a password holding one may be found
    // again in it.
    const std::string first =
        ranges.empty() ? std::string() : text.substr(ranges.front().first, ranges.front().second);
    if (!first.empty() && first.find('*') == std::string::npos &&
        HidePassword(text, text).find(first) != std::string::npos) {
        std::abort();
    }
    return 0;
}
