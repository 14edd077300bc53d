#pragma once
// Reading a RIFF WAVE image held in memory. Only what the sound device can
// take as it stands is accepted: uncompressed PCM, 8 or 16 bits, one or two
// channels.

#include <cstdint>
#include <optional>
#include <span>

namespace zelkor::platform {

struct WaveFormat {
    uint16_t channels = 0;       // 1 or 2
    uint32_t sampleRate = 0;     // frames per second
    uint16_t bitsPerSample = 0;  // 8 (unsigned) or 16 (signed, little-endian)
    uint32_t frameBytes() const { return uint32_t(channels) * (bitsPerSample / 8); }
};

struct WaveImage {
    WaveFormat format;
    // The sample bytes inside the image, cut to whole frames.
    std::span<const uint8_t> samples;
};

// Sample rates outside this range are refused as damaged headers.
constexpr uint32_t MinimumWaveRate = 1000;
constexpr uint32_t MaximumWaveRate = 192000;

// Nothing unless the image is a well-formed PCM WAVE whose every chunk lies
// inside the image, with a "fmt " chunk before its "data" chunk.
std::optional<WaveImage> parseWave(std::span<const uint8_t> image);

}  // namespace zelkor::platform
