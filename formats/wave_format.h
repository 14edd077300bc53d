#pragma once
// The wave format record: how sound samples are laid out, as the "fmt "
// chunk of a WAVE file and the audio format of a capture window hold it.
// Sixteen bytes of fields, in the capture window's form followed by a
// 16-bit count of codec bytes (none for PCM).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zelkor::formats {

constexpr size_t WaveFormatFieldsSize = 16;
constexpr size_t WaveFormatRecordSize = 18;  // with the count of codec bytes
constexpr uint16_t WaveFormatPcm = 1;

struct WaveFormatRecord {
    uint16_t formatTag = WaveFormatPcm;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;  // bytes of one frame of all channels
    uint16_t bitsPerSample = 0;

    bool operator==(const WaveFormatRecord&) const = default;
};

// The 18-byte record, with no codec bytes.
std::vector<uint8_t> encodeWaveFormat(const WaveFormatRecord& f);

// The fields of the first 16 bytes; nothing when there are fewer. Whatever
// follows them (a count of codec bytes and the bytes) is left to the caller.
std::optional<WaveFormatRecord> decodeWaveFormat(std::span<const uint8_t> bytes);

}  // namespace zelkor::formats
