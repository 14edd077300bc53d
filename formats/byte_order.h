#pragma once
// Little-endian fields inside byte buffers, as every file and record the
// suite handles stores them: RIFF chunks, bitmap and wave headers, capture
// formats, the settings store's numbers.
//
// Every access names the buffer and an offset and checks that the whole
// field lies inside: a damaged size or offset in a file must make a reader
// see a missing field, never the bytes after the buffer.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace zelkor::formats {

// True when `count` bytes from `at` lie inside `bytes`, for any `at` and
// `count` (no sum that could wrap).
constexpr bool fits(std::span<const uint8_t> bytes, uint64_t at, uint64_t count) {
    return at <= bytes.size() && count <= bytes.size() - at;
}

// A field that does not lie wholly inside `bytes` reads as 0; a caller that
// must tell a missing field from a zero one asks `fits` first.
constexpr uint16_t getLe16(std::span<const uint8_t> bytes, uint64_t at) {
    if (!fits(bytes, at, 2)) {
        return 0;
    }
    return uint16_t(bytes[at] | bytes[at + 1] << 8);
}
constexpr uint32_t getLe32(std::span<const uint8_t> bytes, uint64_t at) {
    if (!fits(bytes, at, 4)) {
        return 0;
    }
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}
constexpr int32_t getLeI32(std::span<const uint8_t> bytes, uint64_t at) {
    return int32_t(getLe32(bytes, at));
}

// The bytes of a value, lowest first.
constexpr std::array<uint8_t, 2> le16Bytes(uint16_t value) {
    return {uint8_t(value), uint8_t(value >> 8)};
}
constexpr std::array<uint8_t, 4> le32Bytes(uint32_t value) {
    return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
}

namespace detail {
template <size_t N>
constexpr bool put(std::span<uint8_t> bytes, uint64_t at, const std::array<uint8_t, N>& field) {
    if (!fits(bytes, at, N)) {
        return false;
    }
    for (size_t i = 0; i < N; ++i) {
        bytes[at + i] = field[i];
    }
    return true;
}
}  // namespace detail

// Writes the field at `at`. False, with `bytes` untouched, when it does not
// fit: the caller's layout and its buffer disagree.
[[nodiscard]] constexpr bool putLe16(std::span<uint8_t> bytes, uint64_t at, uint16_t value) {
    return detail::put(bytes, at, le16Bytes(value));
}
[[nodiscard]] constexpr bool putLe32(std::span<uint8_t> bytes, uint64_t at, uint32_t value) {
    return detail::put(bytes, at, le32Bytes(value));
}
[[nodiscard]] constexpr bool putLeI32(std::span<uint8_t> bytes, uint64_t at, int32_t value) {
    return putLe32(bytes, at, uint32_t(value));
}

// Fields appended to a record being built, which always has room.
inline void appendLe16(std::vector<uint8_t>& out, uint16_t value) {
    for (const uint8_t b : le16Bytes(value)) {
        out.push_back(b);
    }
}
inline void appendLe32(std::vector<uint8_t>& out, uint32_t value) {
    for (const uint8_t b : le32Bytes(value)) {
        out.push_back(b);
    }
}
inline void appendLeI32(std::vector<uint8_t>& out, int32_t value) {
    appendLe32(out, uint32_t(value));
}

// Four-character codes as they are stored: first character in the low byte.
constexpr uint32_t fourcc(const char (&c)[5]) {
    return uint32_t(uint8_t(c[0])) | uint32_t(uint8_t(c[1])) << 8 | uint32_t(uint8_t(c[2])) << 16 |
           uint32_t(uint8_t(c[3])) << 24;
}

}  // namespace zelkor::formats
