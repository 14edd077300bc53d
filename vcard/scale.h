#pragma once
// Nearest-neighbour scaling of any planar YUV picture onto a source picture.

#include <cstdint>

#include "vcard/picture.h"

namespace zelkor::vcard {

// Borrowed planes of a picture. Chroma planes may be subsampled in either
// direction (chromaWidth/Height say how); null chroma means grey.
struct Planes {
    const uint8_t* y = nullptr;
    const uint8_t* u = nullptr;
    const uint8_t* v = nullptr;
    int width = 0;
    int height = 0;
    int chromaWidth = 0;
    int chromaHeight = 0;
};

Planes planesOf(const Picture& p);

// Fills `out` (its size already set) from `in`, stretched to fit.
void scalePlanes(const Planes& in, Picture& out);

}  // namespace zelkor::vcard
