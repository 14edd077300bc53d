// The wave format record in the capture window's 18-byte form, and what a
// "fmt " chunk of any length gives.

#include "formats/wave_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace zelkor::formats {
namespace {

TEST(WaveFormat, EncodesTheRecordWithNoCodecBytes) {
    // PCM, mono, 11 025 samples of 8 bits a second.
    const std::vector<uint8_t> expected{1,    0, 1, 0, 0x11, 0x2B, 0, 0, 0x11,
                                        0x2B, 0, 0, 1, 0,    8,    0, 0, 0};
    const WaveFormatRecord mono{WaveFormatPcm, 1, 11025, 11025, 1, 8};
    EXPECT_EQ(encodeWaveFormat(mono), expected);

    const WaveFormatRecord stereo{WaveFormatPcm, 2, 44100, 176400, 4, 16};
    EXPECT_EQ(decodeWaveFormat(encodeWaveFormat(stereo)), stereo);
}

TEST(WaveFormat, DecodesSixteenBytesOrMoreAndRefusesLess) {
    std::vector<uint8_t> bytes = encodeWaveFormat({0x55, 6, 48000, 0, 12, 16});
    bytes.insert(bytes.end(), {1, 2, 3});  // a codec's extra bytes
    EXPECT_EQ(decodeWaveFormat(bytes)->formatTag, 0x55);
    EXPECT_EQ(decodeWaveFormat(std::span<const uint8_t>(bytes.data(), 16))->bitsPerSample, 16);
    for (size_t n = 0; n < WaveFormatFieldsSize; ++n) {
        EXPECT_FALSE(decodeWaveFormat(std::span<const uint8_t>(bytes.data(), n))) << n;
    }
}

}  // namespace
}  // namespace zelkor::formats
