#include "vcard/decoder_output.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace zelkor::vcard {

namespace {
constexpr int kUnityContrast = 0x47;
constexpr int kUnitySaturation = 0x40;

uint8_t clamp8(int v) {
    return uint8_t(std::clamp(v, 0, 255));
}
}  // namespace

void applyPictureControls(const Decoder& decoder, const Picture& in, VideoField& out) {
    const int brightness = decoder.reg(0x0A);
    const int contrast = decoder.reg(0x0B);
    const int saturation = decoder.reg(0x0C);
    const int hue = int8_t(decoder.reg(0x0D));

    std::array<uint8_t, 256> luma{};
    for (int y = 0; y < 256; ++y) {
        luma[size_t(y)] = clamp8((y - 128) * contrast / kUnityContrast + brightness);
    }
    // Chroma rotation by the hue angle and scaling by saturation, in 1/1024.
    const double angle = hue * std::numbers::pi / 128.0;
    const double gain = double(saturation) / kUnitySaturation;
    const int c = int(std::lround(std::cos(angle) * gain * 1024));
    const int s = int(std::lround(std::sin(angle) * gain * 1024));

    const size_t pairs = size_t(in.width / 2) * size_t(in.height);
    uint8_t* o = out.uyvy.data();
    for (size_t i = 0; i < pairs; ++i) {
        const int u = in.u[i] - 128;
        const int v = in.v[i] - 128;
        o[0] = clamp8(128 + (u * c - v * s) / 1024);
        o[1] = luma[in.y[2 * i]];
        o[2] = clamp8(128 + (u * s + v * c) / 1024);
        o[3] = luma[in.y[2 * i + 1]];
        o += 4;
    }
}

void fillBlack(VideoField& out) {
    for (size_t i = 0; i + 1 < out.uyvy.size(); i += 2) {
        out.uyvy[i] = 128;
        out.uyvy[i + 1] = 16;
    }
}

}  // namespace zelkor::vcard
