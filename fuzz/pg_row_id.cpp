// Row Ids from the server: an accepted text is a number that prints back
// as itself (leading zeros and a "-0" aside), an accepted binary Id is its
// 8 bytes, and nothing else is accepted.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "eventdb/pg_row_id.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    int64_t id = 0;
    if (zelkor::eventdb::TextRowId(input, &id)) {
        std::string_view digits = input;
        const bool negative = digits.starts_with('-');
        digits.remove_prefix(negative ? 1 : 0);
        digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size()));
        const std::string printed = std::to_string(id);
        const std::string expected =
            digits.empty() ? "0" : (negative ? "-" : "") + std::string(digits);
        if (printed != expected) {
            std::abort();
        }
    }
    if (zelkor::eventdb::BinaryRowId(input, &id) != (size == 8)) {
        std::abort();
    }
    if (size == 8) {
        auto value = static_cast<uint64_t>(id);
        for (size_t i = 8; i-- > 0; value >>= 8) {
            if (data[i] != static_cast<uint8_t>(value)) {
                std::abort();
            }
        }
    }
    return 0;
}
