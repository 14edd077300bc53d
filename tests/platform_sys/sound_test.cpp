#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "formats/byte_order.h"
#include "formats/wave_format.h"
#include "platform/sound.h"
#include "platform/wave.h"

namespace zelkor::platform {
namespace {

using formats::appendLe32;
void chunk(std::vector<uint8_t>& v, const char* tag, const std::vector<uint8_t>& body) {
    v.insert(v.end(), tag, tag + 4);
    appendLe32(v, uint32_t(body.size()));
    v.insert(v.end(), body.begin(), body.end());
    if (body.size() % 2 != 0) {
        v.push_back(0);
    }
}
// The 16-byte form of the record that WAVE files carry.
std::vector<uint8_t> fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    const uint16_t align = uint16_t(channels * bits / 8);
    std::vector<uint8_t> f =
        formats::encodeWaveFormat({tag, channels, rate, rate * align, align, bits});
    f.resize(formats::WaveFormatFieldsSize);
    return f;
}
std::vector<uint8_t> riff(const std::vector<uint8_t>& chunks) {
    std::vector<uint8_t> v = {'R', 'I', 'F', 'F'};
    appendLe32(v, uint32_t(chunks.size() + 4));
    v.insert(v.end(), {'W', 'A', 'V', 'E'});
    v.insert(v.end(), chunks.begin(), chunks.end());
    return v;
}
// A wave of `frames` frames of silence-ish ramp in the given format.
std::vector<uint8_t> wave(uint16_t channels, uint32_t rate, uint16_t bits, size_t frames,
                          const std::vector<uint8_t>& extra = {}) {
    std::vector<uint8_t> chunks;
    chunk(chunks, "fmt ", fmt(1, channels, rate, bits));
    chunks.insert(chunks.end(), extra.begin(), extra.end());
    std::vector<uint8_t> data(frames * channels * bits / 8);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = uint8_t(128 + i % 16);
    }
    chunk(chunks, "data", data);
    return riff(chunks);
}

TEST(ParseWave, AcceptsPcmAndSkipsOtherChunks) {
    std::vector<uint8_t> list;
    chunk(list, "LIST", {'a', 'b', 'c'});  // odd length: padded
    const auto image = wave(1, 22050, 8, 100, list);
    const auto parsed = parseWave(image);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->format.channels, 1);
    EXPECT_EQ(parsed->format.sampleRate, 22050u);
    EXPECT_EQ(parsed->format.bitsPerSample, 8);
    EXPECT_EQ(parsed->samples.size(), 100u);
    EXPECT_EQ(parsed->samples.data(), image.data() + image.size() - 100);

    // A data chunk that ends mid-frame is cut to whole frames.
    std::vector<uint8_t> chunks;
    chunk(chunks, "fmt ", fmt(1, 2, 44100, 16));
    chunk(chunks, "data", std::vector<uint8_t>(10));
    const auto stereo = parseWave(riff(chunks));
    ASSERT_TRUE(stereo);
    EXPECT_EQ(stereo->samples.size(), 8u);
}

TEST(ParseWave, RefusesWhatTheDeviceCannotTakeOrTheImageDoesNotHold) {
    const auto good = wave(2, 22050, 16, 20);
    ASSERT_TRUE(parseWave(good));
    // Anything shorter than the whole image is refused: every cut lands inside
    // a header or a chunk.
    for (size_t n = 0; n < good.size(); ++n) {
        EXPECT_FALSE(parseWave(std::span(good.data(), n))) << "cut at " << n;
    }

    auto withFormat = [](uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
        std::vector<uint8_t> chunks;
        chunk(chunks, "fmt ", fmt(tag, channels, rate, bits));
        chunk(chunks, "data", std::vector<uint8_t>(8));
        return riff(chunks);
    };
    EXPECT_FALSE(parseWave(withFormat(2, 1, 22050, 8)));   // compressed
    EXPECT_FALSE(parseWave(withFormat(1, 3, 22050, 8)));   // three channels
    EXPECT_FALSE(parseWave(withFormat(1, 1, 22050, 24)));  // 24 bits
    EXPECT_FALSE(parseWave(withFormat(1, 1, 0, 8)));       // no rate

    auto damaged = good;
    damaged[4] = 0xFF;  // RIFF size beyond the image
    EXPECT_FALSE(parseWave(damaged));
    damaged = good;
    damaged[12 + 8 + 12] = 3;  // a block size that does not fit the format
    EXPECT_FALSE(parseWave(damaged));

    std::vector<uint8_t> dataFirst;
    chunk(dataFirst, "data", std::vector<uint8_t>(8));
    chunk(dataFirst, "fmt ", fmt(1, 1, 22050, 8));
    EXPECT_FALSE(parseWave(riff(dataFirst)));

    std::vector<uint8_t> oversized;
    chunk(oversized, "fmt ", fmt(1, 1, 22050, 8));
    oversized.insert(oversized.end(), {'d', 'a', 't', 'a', 0xFF, 0xFF, 0xFF, 0x7F, 1, 2});
    EXPECT_FALSE(parseWave(riff(oversized)));
}

TEST(AlsaSound, PlaysStopsAndReplacesOnADevice) {
    // ALSA's null device takes everything, so the whole path runs anywhere.
    auto sound = makeSound("null");
    const auto image = wave(1, 22050, 8, 22050 * 2);
    EXPECT_TRUE(sound->playWave(image));
    EXPECT_TRUE(sound->playWave(wave(2, 44100, 16, 4410)));  // replaces the first
    sound->stop();
    sound->beep(1000, 200);
    sound->messageBeep();
    EXPECT_FALSE(sound->playWave(std::span(image.data(), 30)));
    sound->stop();
}

TEST(AlsaSound, MissingDeviceIsQuietAndRefusesToPlay) {
    ::testing::internal::CaptureStderr();
    {
        auto sound = makeSound("zelkor_no_such_device");
        EXPECT_FALSE(sound->playWave(wave(1, 22050, 8, 100)));
        sound->beep(1000, 50);
        sound->messageBeep();
        sound->stop();
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace zelkor::platform
