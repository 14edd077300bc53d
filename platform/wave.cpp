#include "platform/wave.h"

#include <cstring>

namespace zelkor::platform {

namespace {

constexpr uint16_t WaveFormatPcm = 1;
constexpr size_t FmtMinimumBytes = 16;

uint16_t le16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
bool tagIs(const uint8_t* p, const char* tag) {
    return std::memcmp(p, tag, 4) == 0;
}

}  // namespace

std::optional<WaveImage> parseWave(std::span<const uint8_t> image) {
    if (image.size() < 12 || !tagIs(image.data(), "RIFF") || !tagIs(image.data() + 8, "WAVE")) {
        return std::nullopt;
    }
    const uint32_t riffBytes = le32(image.data() + 4);
    if (riffBytes < 4 || riffBytes > image.size() - 8) {
        return std::nullopt;
    }
    // Chunks are walked inside the RIFF chunk only; bytes after it are not ours.
    const uint8_t* const base = image.data();
    const size_t end = 8 + size_t(riffBytes);
    size_t pos = 12;
    std::optional<WaveFormat> format;
    while (end - pos >= 8) {
        const uint8_t* header = base + pos;
        const uint32_t chunkBytes = le32(header + 4);
        pos += 8;
        if (chunkBytes > end - pos) {
            return std::nullopt;
        }
        const uint8_t* body = base + pos;
        if (tagIs(header, "fmt ")) {
            if (chunkBytes < FmtMinimumBytes || format) {
                return std::nullopt;
            }
            WaveFormat f;
            const uint16_t tag = le16(body);
            f.channels = le16(body + 2);
            f.sampleRate = le32(body + 4);
            const uint16_t blockAlign = le16(body + 12);
            f.bitsPerSample = le16(body + 14);
            if (tag != WaveFormatPcm || (f.channels != 1 && f.channels != 2) ||
                (f.bitsPerSample != 8 && f.bitsPerSample != 16) || f.sampleRate < MinimumWaveRate ||
                f.sampleRate > MaximumWaveRate || blockAlign != f.frameBytes()) {
                return std::nullopt;
            }
            format = f;
        } else if (tagIs(header, "data")) {
            if (!format) {
                return std::nullopt;
            }
            const size_t whole = chunkBytes - chunkBytes % format->frameBytes();
            return WaveImage{*format, std::span<const uint8_t>(body, whole)};
        }
        // Chunks are padded to an even length; a missing pad byte at the very
        // end only ends the walk.
        pos += chunkBytes;
        if (chunkBytes % 2 != 0 && pos < end) {
            ++pos;
        }
    }
    return std::nullopt;
}

}  // namespace zelkor::platform
