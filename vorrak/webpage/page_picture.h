#pragma once
// The page's pictures: a frame or an event bitmap read into plain rows, cut
// and shrunk for a thumbnail, and made a JPEG.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zelkor::vorrak::webpage {

// Rows top first, one byte a pixel (grey) or three (red, green, blue).
struct PagePicture {
    uint32_t width = 0;
    uint32_t height = 0;
    bool grey = true;
    std::vector<uint8_t> pixels;

    size_t bytesPerPixel() const { return grey ? 1 : 3; }
};

// The largest side a picture of the page may have: far above any frame,
// and small enough that no header can make us allocate much.
constexpr uint32_t kMaxPictureSide = 4096;

// A bitmap as it follows the file header: the information header, the
// colour table and, from `pixelOffset` on, the rows. 8 bits with a colour
// table, or 24; uncompressed; bottom-up or top-down. Nothing for anything
// else, or when a row or the table would lie outside `dib`.
std::optional<PagePicture> decodeDib(std::span<const uint8_t> dib, size_t pixelOffset);

// A whole bitmap file, as decodeDib.
std::optional<PagePicture> decodeBitmapFile(std::span<const uint8_t> file);

// Rows `first` to the end of `picture`.
PagePicture lowerRows(const PagePicture& picture, uint32_t first);

// Half the width and height, each pixel the mean of a 2 x 2 block.
PagePicture halve(const PagePicture& picture);

bool encodePicture(const PagePicture& picture, std::vector<uint8_t>& jpeg);

}  // namespace zelkor::vorrak::webpage
