// The YUV4MPEG2 reader on arbitrary bytes: every frame it indexes is read
// whole and scaled, so a wrong offset shows as an out-of-bounds read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "vcard/y4m.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zelkor::vcard::Y4mStream stream;
    std::string error;
    if (!stream.parse(std::string_view(reinterpret_cast<const char*>(data), size), error)) {
        return 0;
    }
    zelkor::vcard::Picture out;
    out.resize(64, 48);
    std::vector<uint8_t> buffer;
    zelkor::vcard::Planes planes;
    for (size_t i = 0; i < stream.frameCount() && i < 4; ++i) {
        // The data did not change since it was indexed: every frame reads.
        if (!stream.readFrame(i, buffer, planes)) {
            std::abort();
        }
        zelkor::vcard::scalePlanes(planes, out);
    }
    return 0;
}
