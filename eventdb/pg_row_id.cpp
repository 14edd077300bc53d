#include "eventdb/pg_row_id.h"

#include <charconv>

namespace zelkor::eventdb {

bool TextRowId(std::string_view text, int64_t* id) {
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, *id);
    return !text.empty() && ec == std::errc() && stop == end;
}

bool BinaryRowId(std::string_view bytes, int64_t* id) {
    if (bytes.size() != 8) {
        return false;
    }
    uint64_t value = 0;
    for (const char byte : bytes) {
        value = value << 8 | static_cast<unsigned char>(byte);
    }
    *id = static_cast<int64_t>(value);
    return true;
}

}  // namespace zelkor::eventdb
