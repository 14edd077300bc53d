#pragma once
// Whole rows of the card's 4:2:2 pictures to opaque ARGB, as the screen and
// the capture window show them. The colours are yuvToRgb's, pixel for
// pixel; these only convert many pixels at once, in loops the compiler can
// vectorise, because every shown field runs hundreds of thousands of them.

#include <cstddef>
#include <cstdint>

namespace zelkor::vcard {

// `pairs` pixel pairs of four bytes, UYVY (or YUY2 when `yuy2`), into
// 2 * pairs pixels.
void pairsToArgb(const uint8_t* in, size_t pairs, bool yuy2, uint32_t* argb);

// Planar: luminance y[0 .. 2 * pairs), colour u and v [0 .. pairs), one
// colour pair for every two pixels.
void planarToArgb(const uint8_t* y, const uint8_t* u, const uint8_t* v, size_t pairs,
                  uint32_t* argb);

}  // namespace zelkor::vcard
