#include "formats/wave_format.h"

#include "formats/byte_order.h"

namespace zelkor::formats {

std::vector<uint8_t> encodeWaveFormat(const WaveFormatRecord& f) {
    std::vector<uint8_t> b;
    b.reserve(WaveFormatRecordSize);
    appendLe16(b, f.formatTag);
    appendLe16(b, f.channels);
    appendLe32(b, f.samplesPerSec);
    appendLe32(b, f.avgBytesPerSec);
    appendLe16(b, f.blockAlign);
    appendLe16(b, f.bitsPerSample);
    appendLe16(b, 0);
    return b;
}

std::optional<WaveFormatRecord> decodeWaveFormat(std::span<const uint8_t> bytes) {
    if (bytes.size() < WaveFormatFieldsSize) {
        return std::nullopt;
    }
    return WaveFormatRecord{getLe16(bytes, 0), getLe16(bytes, 2),  getLe32(bytes, 4),
                            getLe32(bytes, 8), getLe16(bytes, 12), getLe16(bytes, 14)};
}

}  // namespace zelkor::formats
