#include "platform/wave.h"

#include "formats/byte_order.h"
#include "formats/wave_format.h"

namespace zelkor::platform {

namespace {
using formats::fourcc;
using formats::getLe32;
}  // namespace

std::optional<WaveImage> parseWave(std::span<const uint8_t> image) {
    if (image.size() < 12 || getLe32(image, 0) != fourcc("RIFF") ||
        getLe32(image, 8) != fourcc("WAVE")) {
        return std::nullopt;
    }
    const uint32_t riffBytes = getLe32(image, 4);
    if (riffBytes < 4 || riffBytes > image.size() - 8) {
        return std::nullopt;
    }
    // Chunks are walked inside the RIFF chunk only; bytes after it are not ours.
    const size_t end = 8 + size_t(riffBytes);
    size_t pos = 12;
    std::optional<WaveFormat> format;
    while (end - pos >= 8) {
        const uint32_t id = getLe32(image, pos);
        const uint32_t chunkBytes = getLe32(image, pos + 4);
        pos += 8;
        if (chunkBytes > end - pos) {
            return std::nullopt;
        }
        const std::span<const uint8_t> body = image.subspan(pos, chunkBytes);
        if (id == fourcc("fmt ")) {
            const auto record = formats::decodeWaveFormat(body);
            if (!record || format) {
                return std::nullopt;
            }
            const WaveFormat f{record->channels, record->samplesPerSec, record->bitsPerSample};
            if (record->formatTag != formats::WaveFormatPcm ||
                (f.channels != 1 && f.channels != 2) ||
                (f.bitsPerSample != 8 && f.bitsPerSample != 16) || f.sampleRate < MinimumWaveRate ||
                f.sampleRate > MaximumWaveRate || record->blockAlign != f.frameBytes()) {
                return std::nullopt;
            }
            format = f;
        } else if (id == fourcc("data")) {
            if (!format) {
                return std::nullopt;
            }
            const size_t whole = chunkBytes - chunkBytes % format->frameBytes();
            return WaveImage{*format, body.first(whole)};
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
