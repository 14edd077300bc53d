#pragma once
// The warning sound as it is built into the program: a RIFF WAVE image made
// at build time by make_warning_wave, which reads its format from here.

#include <cstdint>
#include <span>

#include "formats/wave_format.h"

namespace zelkor::vorrak {

// Uncompressed PCM, one channel, 22050 frames per second, 8 bits (unsigned,
// silence at 128): a format every sound device takes as it stands.
constexpr formats::WaveFormatRecord kWarningWaveFormat{
    formats::WaveFormatPcm, 1, 22050, 22050, 1, 8};
// About 14.2 seconds: long enough to be heard across a building, short
// enough to end on its own when nobody stops it.
constexpr uint32_t kWarningWaveDataBytes = 312320;

// The whole image: header, "fmt " chunk and "data" chunk.
std::span<const uint8_t> WarningWave();

}  // namespace zelkor::vorrak
