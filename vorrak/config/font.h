#pragma once
// The fonts of Vorrak's windows: a face at a pixel height, in the Japanese
// character set when Windows is set to Japan.

#include <cstdint>
#include <string>
#include <string_view>

namespace zelkor::vorrak {

constexpr uint8_t kAnsiCharset = 0;
constexpr uint8_t kShiftJisCharset = 128;

struct FontDescription {
    std::string face;
    int height = 0;  // negative: the character height in pixels
    int weight = 0;  // 0: the face's default
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    uint8_t charset = kAnsiCharset;
};

// A font of `face` whose characters are `size` pixels high.
FontDescription MakeFont(std::string_view face, int size, bool japanese);

}  // namespace zelkor::vorrak
