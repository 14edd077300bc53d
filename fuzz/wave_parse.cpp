// The WAVE reader on arbitrary bytes: it must refuse or accept without
// reading outside the image, and what it accepts must lie inside it.
#include <cstdint>
#include <cstdlib>

#include "platform/wave.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto image = zelkor::platform::parseWave({data, size});
    if (image) {
        const auto& f = image->format;
        const bool inside = image->samples.data() >= data &&
                            image->samples.data() + image->samples.size() <= data + size;
        if (!inside || image->samples.size() % f.frameBytes() != 0) {
            std::abort();
        }
    }
    return 0;
}
