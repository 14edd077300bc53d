// Build-time generator of the warning sound: writes a C++ source that holds
// the whole RIFF WAVE image as a byte array. Usage: make_warning_wave OUT.cpp
//
// The sound is a two-tone siren: a high and a low tone a fourth apart take
// turns, each gliding into the next so the pitch never jumps, from one
// continuous phase so the wave never breaks, under an envelope that rises
// from and falls back to silence. Both tones lie where the ear is most
// sensitive and small loudspeakers still play loudly; a weak third harmonic
// makes them carry through walls. Nothing in it clicks: the image starts
// and ends at the silence level and no sample jumps.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "formats/byte_order.h"
#include "formats/wave_format.h"
#include "vorrak/alarms/warning_wave.h"

namespace {

namespace formats = zelkor::formats;
using zelkor::vorrak::kWarningWaveDataBytes;
using zelkor::vorrak::kWarningWaveFormat;

constexpr double kHighHz = 1040;
constexpr double kLowHz = 780;
constexpr double kToneSeconds = 0.45;  // each tone, glide included
constexpr double kGlideSeconds = 0.03;
constexpr double kAttackSeconds = 0.05;
constexpr double kReleaseSeconds = 0.08;
constexpr double kThirdHarmonic = 0.3;
constexpr double kPeak = 0.9;  // of full scale, so rounding never clips

// 0 at x <= 0, 1 at x >= 1, and a raised cosine between: no corner at
// either end.
double smoothStep(double x) {
    if (x <= 0) {
        return 0;
    }
    if (x >= 1) {
        return 1;
    }
    return (1 - std::cos(std::numbers::pi * x)) / 2;
}

double waveShape(double phase) {
    return std::sin(phase) + kThirdHarmonic * std::sin(3 * phase);
}

// The largest magnitude of waveShape, so the siren is scaled to kPeak.
double waveShapePeak() {
    double peak = 0;
    constexpr int kSteps = 1 << 14;
    for (int i = 0; i < kSteps; ++i) {
        peak = std::max(peak, std::abs(waveShape(2 * std::numbers::pi * i / kSteps)));
    }
    return peak;
}

double frequencyAt(double t) {
    const double inTone = std::fmod(t, kToneSeconds);
    const bool high = std::fmod(t, 2 * kToneSeconds) < kToneSeconds;
    const double from = high ? kLowHz : kHighHz;
    const double to = high ? kHighHz : kLowHz;
    // The very first tone starts on its own pitch: nothing came before it.
    const double glide = t < kToneSeconds ? 1 : smoothStep(inTone / kGlideSeconds);
    return from + (to - from) * glide;
}

std::vector<uint8_t> sirenSamples() {
    const double rate = kWarningWaveFormat.samplesPerSec;
    const size_t count = kWarningWaveDataBytes / kWarningWaveFormat.blockAlign;
    const double length = double(count - 1) / rate;
    const double scale = kPeak / waveShapePeak();
    std::vector<uint8_t> samples(count);
    double phase = 0;
    for (size_t i = 0; i < count; ++i) {
        const double t = double(i) / rate;
        const double envelope =
            smoothStep(t / kAttackSeconds) * smoothStep((length - t) / kReleaseSeconds);
        const double value = scale * envelope * waveShape(phase);
        samples[i] = uint8_t(std::lround(128 + 127 * value));
        phase =
            std::fmod(phase + 2 * std::numbers::pi * frequencyAt(t) / rate, 2 * std::numbers::pi);
    }
    return samples;
}

std::vector<uint8_t> waveImage(const std::vector<uint8_t>& samples) {
    using formats::appendLe32;
    using formats::fourcc;
    // A PCM file's "fmt " chunk holds the record's fields without the count
    // of codec bytes, as every reader expects of PCM.
    std::vector<uint8_t> fmt = formats::encodeWaveFormat(kWarningWaveFormat);
    fmt.resize(formats::WaveFormatFieldsSize);
    const auto dataBytes = uint32_t(samples.size());
    std::vector<uint8_t> out;
    appendLe32(out, fourcc("RIFF"));
    appendLe32(out, uint32_t(4 + (8 + fmt.size()) + (8 + dataBytes)));
    appendLe32(out, fourcc("WAVE"));
    appendLe32(out, fourcc("fmt "));
    appendLe32(out, uint32_t(fmt.size()));
    out.insert(out.end(), fmt.begin(), fmt.end());
    appendLe32(out, fourcc("data"));
    appendLe32(out, dataBytes);
    out.insert(out.end(), samples.begin(), samples.end());
    return out;
}

bool writeSource(const std::string& path, const std::vector<uint8_t>& image) {
    // Written beside and renamed, so a failed run leaves no half source that
    // the build would take as up to date.
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << "// Made by make_warning_wave at build time: the warning sound.\n"
               "#include \"vorrak/alarms/warning_wave.h\"\n\n"
               "namespace zelkor::vorrak {\n\nnamespace {\n\n"
               "constexpr uint8_t kImage[] = {";
        for (size_t i = 0; i < image.size(); ++i) {
            out << (i % 24 == 0 ? "\n    " : " ") << unsigned(image[i]) << ',';
        }
        out << "\n};\n\n}  // namespace\n\n"
               "std::span<const uint8_t> WarningWave() {\n    return kImage;\n}\n\n"
               "}  // namespace zelkor::vorrak\n";
        if (!out.flush()) {
            return false;
        }
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_warning_wave OUT.cpp\n");
        return 2;
    }
    if (!writeSource(argv[1], waveImage(sirenSamples()))) {
        std::fprintf(stderr, "make_warning_wave: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
