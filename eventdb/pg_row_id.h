#pragma once
// A row's "Id" as the server of a shared event database sends it. The
// server is outside this program: whatever it sends that is not an Id is
// refused, and nothing is read beyond what it sent.

#include <cstdint>
#include <string_view>

namespace zelkor::eventdb {

// Decimal digits, a '-' before them allowed, within the range of int64_t.
bool TextRowId(std::string_view text, int64_t* id);
// Exactly 8 bytes, most significant first.
bool BinaryRowId(std::string_view bytes, int64_t* id);

}  // namespace zelkor::eventdb
