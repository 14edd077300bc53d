// The layout decoders on any bytes: each refuses or decodes without reading
// outside its input, and a header whose size field names the form it is in
// encodes back to the very bytes it came from.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "formats/bitmap_info.h"
#include "formats/bmp_file.h"
#include "formats/byte_order.h"
#include "formats/wave_format.h"

using namespace zelkor::formats;

namespace {

void expectPrefix(std::span<const uint8_t> input, const std::vector<uint8_t>& encoded) {
    if (encoded.size() > input.size() ||
        !std::equal(encoded.begin(), encoded.end(), input.begin())) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> input(data, size);

    // Fields at every offset near the end: whole ones read as stored, cut
    // ones as 0, and offsets that would wrap a sum as 0 too.
    for (uint64_t at = size > 5 ? size - 5 : 0; at <= size + 1; ++at) {
        uint32_t stored = 0;
        for (uint64_t i = 0; at + 4 <= size && i < 4; ++i) {
            stored |= uint32_t(data[at + i]) << (8 * i);
        }
        if (getLe32(input, at) != stored) {
            __builtin_trap();
        }
    }
    if (getLe32(input, UINT64_MAX - 1) != 0 || getLe16(input, UINT64_MAX) != 0) {
        __builtin_trap();
    }

    const auto read = readBitmapInfoHeader(input);
    const auto decoded = decodeBitmapInfoHeader(input);
    if (decoded && (!read || decoded->size < BitmapInfoHeaderSize || decoded->size > size)) {
        __builtin_trap();
    }
    if (read && (read->size == BitmapInfoHeaderSize || read->size == BitmapCodecHeaderSize) &&
        size >= read->size) {
        expectPrefix(input, encodeBitmapInfoHeader(*read));
    }

    if (const auto file = decodeBmpFileHeader(input)) {
        if (getLe16(input, 0) != BmpFileType || getLe32(input, 2) != file->fileSize) {
            __builtin_trap();
        }
    }

    // The encoder always adds a zero count of codec bytes after the fields.
    if (const auto wave = decodeWaveFormat(input)) {
        std::vector<uint8_t> fields = encodeWaveFormat(*wave);
        fields.resize(WaveFormatFieldsSize);
        expectPrefix(input, fields);
    }
    return 0;
}
