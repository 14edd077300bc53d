#pragma once
// JPEG pictures through libjpeg-turbo: the one encoder for clips of the card
// and the pictures of the status page.

#include <cstdint>
#include <functional>
#include <vector>

namespace zelkor::formats {

// How a row's bytes are laid out: one byte a pixel, or three.
enum class JpegColour { Grey, Rgb, YCbCr };

// Row `y` (0 = top) of the picture: `width` pixels of the colour's bytes.
// A row that has to be put together first goes into `scratch`, which holds
// one row; otherwise the source's own row is returned.
using JpegRow = std::function<const uint8_t*(uint32_t y, uint8_t* scratch)>;

// Encodes a `width` x `height` picture. False (and `out` empty) for an empty
// picture, one larger than the format allows, or when the library refuses.
bool encodeJpeg(uint32_t width, uint32_t height, JpegColour colour, int quality, const JpegRow& row,
                std::vector<uint8_t>& out);

}  // namespace zelkor::formats
