// The clip reader the capture tests use, on any bytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "vcard/avi_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zelkor::vcard::AviInfo info;
    std::string reason;
    if (zelkor::vcard::readAvi(std::span<const uint8_t>(data, size), info, reason)) {
        // Every frame the reader lists lies inside the input.
        for (const auto& f : info.frames) {
            if (f.offset > size || f.size > size - f.offset) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
