// The status page's bitmap reader on any bytes: it refuses or gives a
// picture of the size it names, without reading outside its input; what it
// gives can be cut, shrunk and made a JPEG.

#include <cstddef>
#include <cstdint>
#include <span>

#include "vorrak/webpage/page_picture.h"

using namespace zelkor::vorrak::webpage;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> input(data, size);
    const auto file = decodeBitmapFile(input);
    const auto dib = decodeDib(input, size > 0 ? data[0] : 0);
    for (const auto& picture : {file, dib}) {
        if (!picture) {
            continue;
        }
        if (picture->width == 0 || picture->width > kMaxPictureSide ||
            picture->pixels.size() !=
                size_t(picture->width) * picture->height * picture->bytesPerPixel()) {
            __builtin_trap();
        }
        std::vector<uint8_t> jpeg;
        if (!encodePicture(halve(lowerRows(*picture, picture->height / 2)), jpeg) &&
            picture->width > 1 && picture->height > 3) {
            __builtin_trap();
        }
    }
    return 0;
}
