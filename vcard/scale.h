#pragma once
// Nearest-neighbour scaling of any planar YUV picture onto a source picture,
// and the choice of samples a consumer takes from a larger picture.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "vcard/picture.h"

namespace zelkor::vcard {

// Borrowed planes of a picture. Chroma planes may be subsampled in either
// direction (chromaWidth/Height say how); null chroma means grey. A plane's
// lines may lie further apart than its width (a decoder's padded lines, or
// bottom-up with a negative stride); a stride of 0 means lines back to back.
struct Planes {
    const uint8_t* y = nullptr;
    const uint8_t* u = nullptr;
    const uint8_t* v = nullptr;
    int width = 0;
    int height = 0;
    int chromaWidth = 0;
    int chromaHeight = 0;
    ptrdiff_t yStride = 0;
    ptrdiff_t uStride = 0;
    ptrdiff_t vStride = 0;
};

Planes planesOf(const Picture& p);

// The samples of a full picture (fullWidth x fullHeight, 4:2:2) that a
// picture of columns.size() x lines.size() shows: its pixel column i is the
// full picture's column columns[i], its colour column c the full picture's
// colour column pairs[c], its line j the full line lines[j]. Every map is
// nondecreasing, so a rectangle of the full picture is a rectangle of
// samples.
struct Sampling {
    int fullWidth = 0;
    int fullHeight = 0;
    std::vector<uint32_t> columns;
    std::vector<uint32_t> pairs;
    std::vector<uint32_t> lines;

    int width() const { return int(columns.size()); }
    int height() const { return int(lines.size()); }
};

// A full picture shrunk or stretched to width x height (even) by nearest
// neighbour; a colour pair takes the colour under its first pixel.
Sampling sampleScaled(int fullWidth, int fullHeight, int width, int height);
// Every sample of a width x height picture.
Sampling sampleWhole(int width, int height);

// Fills `out` (sized here to the sampling) with the samples `at` picks from
// the full picture that `in` shows stretched to at.fullWidth x at.fullHeight.
void samplePlanes(const Planes& in, const Sampling& at, Picture& out);

// Fills `out` (its size already set) from `in`, stretched to fit.
void scalePlanes(const Planes& in, Picture& out);

}  // namespace zelkor::vcard
