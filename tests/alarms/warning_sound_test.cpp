// The built-in warning sound: its format, that it sounds like an alarm and
// plays without clicks, and how detections play it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "formats/byte_order.h"
#include "platform/fake/recording_sound.h"
#include "platform/wave.h"
#include "tests/support/temp_dir.h"
#include "vorrak/alarms/alarms.h"
#include "vorrak/alarms/warning_wave.h"

namespace zelkor::vorrak {
namespace {

using platform::SoundRequest;

std::span<const uint8_t> samples() {
    const auto image = platform::parseWave(WarningWave());
    return image ? image->samples : std::span<const uint8_t>{};
}

TEST(WarningWave, IsMono8BitPcmAt22050HzWithExactlyItsDataBytes) {
    const auto wave = WarningWave();
    const auto image = platform::parseWave(wave);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->format.channels, 1);
    EXPECT_EQ(image->format.sampleRate, 22050u);
    EXPECT_EQ(image->format.bitsPerSample, 8);
    EXPECT_EQ(image->samples.size(), 312320u);
    // Every field of the "fmt " chunk, the derived ones too.
    EXPECT_EQ(formats::getLe32(wave, 16), 16u);
    EXPECT_EQ(formats::decodeWaveFormat(wave.subspan(20)),
              (formats::WaveFormatRecord{1, 1, 22050, 22050, 1, 8}));
    // The data chunk says so itself and the image ends with it.
    const size_t dataAt = size_t(image->samples.data() - wave.data());
    EXPECT_EQ(formats::getLe32(wave, dataAt - 4), 312320u);
    EXPECT_EQ(dataAt + 312320, wave.size());
    EXPECT_EQ(formats::getLe32(wave, 4), wave.size() - 8);
}

// Frequencies by counting crossings of the silence level in windows of
// 20 ms: a siren alternates between two pitches in the range where
// alarms are heard best, loudly, and never clicks.
TEST(WarningWave, IsALoudTwoToneSirenWithoutClicks) {
    const auto s = samples();
    ASSERT_EQ(s.size(), kWarningWaveDataBytes);
    EXPECT_EQ(s.front(), 128);  // starts and ends in silence
    EXPECT_EQ(s.back(), 128);

    int loudest = 0;
    for (uint8_t v : s) {
        loudest = std::max(loudest, std::abs(int(v) - 128));
    }
    EXPECT_GT(loudest, 96);   // loud
    EXPECT_LT(loudest, 128);  // never clipped
    // It rises from silence and falls back to it.
    constexpr size_t kTenMs = 220;
    for (size_t i = 0; i < kTenMs; ++i) {
        ASSERT_LT(std::abs(int(s[i]) - 128), loudest / 4) << "at sample " << i;
        ASSERT_LT(std::abs(int(s[s.size() - 1 - i]) - 128), loudest / 4) << "at end - " << i;
    }
    // A break in the wave (a jump of phase or level) shows at the top of
    // the band, where the fourth difference passes it whole; of the tones
    // and their third harmonic, all below 3.2 kHz, it passes little.
    int largestBreak = 0;
    for (size_t i = 4; i < s.size(); ++i) {
        const int d4 = int(s[i]) - 4 * s[i - 1] + 6 * s[i - 2] - 4 * s[i - 3] + s[i - 4];
        largestBreak = std::max(largestBreak, std::abs(d4));
    }
    EXPECT_LT(largestBreak, loudest / 2);

    constexpr size_t kWindow = 441;  // 20 ms
    int highWindows = 0;
    int lowWindows = 0;
    int changes = 0;
    bool lastHigh = false;
    // Skip the rise and the fall at the ends.
    for (size_t start = 4 * kWindow; start + 5 * kWindow <= s.size(); start += kWindow) {
        int crossings = 0;
        for (size_t i = start + 1; i < start + kWindow; ++i) {
            crossings += (s[i] >= 128) != (s[i - 1] >= 128) ? 1 : 0;
        }
        const double hz = crossings / 2.0 / 0.02;
        ASSERT_GT(hz, 500) << "at sample " << start;
        ASSERT_LT(hz, 3000) << "at sample " << start;
        const bool high = hz > 910;
        highWindows += high ? 1 : 0;
        lowWindows += high ? 0 : 1;
        changes += start > 4 * kWindow && high != lastHigh ? 1 : 0;
        lastHigh = high;
    }
    EXPECT_GT(highWindows, 200);
    EXPECT_GT(lowWindows, 200);
    EXPECT_GE(changes, 20);  // about two a second
}

// An outside reader of wave files sees the same format.
TEST(WarningWave, OutsideToolReadsIt) {
    if (std::system("command -v ffprobe > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "ffprobe is not installed";
    }
    testing::TempDir dir;
    const auto wave = WarningWave();
    const std::string path = dir.write(
        "warning.wav", std::string_view(reinterpret_cast<const char*>(wave.data()), wave.size()));
    const std::string command =
        "ffprobe -v error -show_entries "
        "stream=codec_name,channels,sample_rate,bits_per_sample,duration_ts "
        "-of default=noprint_wrappers=1 '" +
        path + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
        out += buffer;
    }
    ASSERT_EQ(pclose(pipe), 0) << out;
    for (const char* line : {"codec_name=pcm_u8\n", "sample_rate=22050\n", "channels=1\n",
                             "bits_per_sample=8\n", "duration_ts=312320\n"}) {
        EXPECT_NE(out.find(line), std::string::npos) << line << " not in:\n" << out;
    }
}

TEST(PlayWarningSound, PlaysTheBuiltInWaveForItsResourceOnly) {
    platform::RecordingSound sound;
    EXPECT_EQ(PlayWarningSound(sound, 187), 0);
    EXPECT_TRUE(sound.requests.empty());

    EXPECT_EQ(PlayWarningSound(sound, 188), 1);
    EXPECT_EQ(PlayWarningSound(sound, 188), 1);  // a detection restarts it
    ASSERT_EQ(sound.count(SoundRequest::Kind::Play), 2u);
    const auto wave = WarningWave();
    EXPECT_EQ(sound.requests[0].wave, std::vector<uint8_t>(wave.begin(), wave.end()));

    sound.failPlays = true;  // no sound device
    EXPECT_EQ(PlayWarningSound(sound, 188), 0);
}

TEST(PlayWarningSound, SwitchedOffItBeeps1000HzFor3Seconds) {
    platform::RecordingSound sound;
    WarningBeep(sound);
    ASSERT_EQ(sound.requests.size(), 1u);
    EXPECT_EQ(sound.requests[0].kind, SoundRequest::Kind::Beep);
    EXPECT_EQ(sound.requests[0].frequencyHz, 1000u);
    EXPECT_EQ(sound.requests[0].durationMs, 3000u);
}

}  // namespace
}  // namespace zelkor::vorrak
