#pragma once
// The bytes of an event's bitmap file, for a database that keeps the
// picture beside the row so other stations can show it.

#include <cstdint>
#include <optional>
#include <string>

namespace zelkor::eventdb {

// Two frames of the largest picture the card delivers, at 32 bits a
// pixel, with room to spare; anything larger is not an event bitmap.
inline constexpr int64_t kMaxPictureBytes = 16 * 1024 * 1024;

// The whole file at `path` when it is a regular file of at most
// kMaxPictureBytes that reads through unchanged; nothing otherwise (the
// file is missing, is a device or a pipe, or changed while it was read).
std::optional<std::string> ReadEventPicture(const std::string& path);

}  // namespace zelkor::eventdb
