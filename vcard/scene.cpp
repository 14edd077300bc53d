#include "vcard/scene.h"

#include <algorithm>
#include <array>

#include "vcard/wide_loops.h"

namespace zelkor::vcard {

namespace {

struct NamedKind {
    std::string_view name;
    SceneSource::Kind kind;
};
constexpr std::array<NamedKind, 4> kScenes{{
    {"static", SceneSource::Kind::Static},
    {"walker", SceneSource::Kind::Walker},
    {"arrival", SceneSource::Kind::Arrival},
    {"lighting", SceneSource::Kind::Lighting},
}};

[[gnu::always_inline]] inline uint32_t mix(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

struct Rect {
    int x0, y0, x1, y1;  // half-open
    bool contains(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

struct Colour {
    uint8_t y, u, v;
};

// A filled rectangle in the picture, clipped.
void fill(Picture& p, Rect r, Colour c) {
    r.x0 = std::max(r.x0, 0) & ~1;
    r.y0 = std::max(r.y0, 0);
    r.x1 = std::min(r.x1, p.width);
    r.y1 = std::min(r.y1, p.height);
    for (int y = r.y0; y < r.y1; ++y) {
        for (int x = r.x0; x < r.x1; ++x) {
            p.y[size_t(y) * size_t(p.width) + size_t(x)] = c.y;
        }
        for (int x = r.x0 / 2; x < (r.x1 + 1) / 2; ++x) {
            p.u[size_t(y) * size_t(p.width / 2) + size_t(x)] = c.u;
            p.v[size_t(y) * size_t(p.width / 2) + size_t(x)] = c.v;
        }
    }
}

// The room: wall and floor, with furniture placed by the seed.
void drawRoom(Picture& p, uint32_t seed) {
    const int horizon = p.height * 3 / 5;
    for (int y = 0; y < p.height; ++y) {
        const bool floor = y >= horizon;
        const uint8_t luma =
            floor ? uint8_t(70 + 50 * (y - horizon) / std::max(1, p.height - horizon))
                  : uint8_t(150 + 30 * y / std::max(1, horizon));
        fill(p, {0, y, p.width, y + 1},
             {luma, uint8_t(floor ? 118 : 134), uint8_t(floor ? 140 : 122)});
    }
    for (uint32_t i = 0; i < 3; ++i) {
        const uint32_t r = mix(seed * 3 + i + 1);
        const int w = p.width / 8 + int(r % uint32_t(std::max(1, p.width / 6)));
        const int h = p.height / 6 + int((r >> 8) % uint32_t(std::max(1, p.height / 4)));
        const int x = int((r >> 16) % uint32_t(std::max(1, p.width - w)));
        fill(p, {x, horizon - h / 2, x + w, horizon + h / 2},
             {uint8_t(40 + (r >> 24) % 60), uint8_t(110 + (r >> 4) % 30),
              uint8_t(120 + (r >> 12) % 30)});
    }
}

// Someone about half the picture tall: dark clothes, a lighter head.
void drawPerson(Picture& p, int left) {
    const int h = p.height * 11 / 20;
    const int w = std::max(2, p.width / 12);
    const int feet = p.height * 9 / 10;
    const int head = h / 6;
    fill(p, {left + w / 4, feet - h, left + w - w / 4, feet - h + head}, {170, 110, 150});
    fill(p, {left, feet - h + head, left + w, feet}, {45, 135, 120});
}

// Pixels per block of noise: with a fixed trip count GCC vectorises the
// hashing at -O2, which is most of a field's cost.
constexpr size_t kNoiseBlock = 64;

[[gnu::always_inline]] inline void noiseRun(uint8_t* y, uint32_t first, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const int d = int(mix(first + uint32_t(i)) % 9) - 4;
        y[i] = uint8_t(std::clamp(int(y[i]) + d, 0, 255));
    }
}

[[gnu::always_inline]] inline void noiseBlocks(uint8_t* y, size_t n, uint32_t base) {
    size_t i = 0;
    for (; i + kNoiseBlock <= n; i += kNoiseBlock) {
        noiseRun(y + i, base + uint32_t(i), kNoiseBlock);
    }
    noiseRun(y + i, base + uint32_t(i), n - i);
}

#if ZELKOR_WIDE_LOOPS
ZELKOR_WIDE_TARGET void noiseBlocksWide(uint8_t* y, size_t n, uint32_t base) {
    noiseBlocks(y, n, base);
}
#endif

// Sensor noise of -4 .. 4 on every luminance sample, hashed from the seed,
// the field and the sample's place.
void addNoise(Picture& p, uint32_t seed, uint64_t field) {
    const uint32_t base = mix(seed ^ mix(uint32_t(field) ^ uint32_t(field >> 32) * 0x9E3779B9u));
#if ZELKOR_WIDE_LOOPS
    if (wideLoops()) {
        noiseBlocksWide(p.y.data(), p.y.size(), base);
        return;
    }
#endif
    noiseBlocks(p.y.data(), p.y.size(), base);
}

}  // namespace

bool isSceneName(std::string_view name) {
    return std::any_of(kScenes.begin(), kScenes.end(),
                       [&](const NamedKind& k) { return k.name == name; });
}

std::string_view sceneNames() {
    return "static, walker, arrival, lighting";
}

SceneSource::SceneSource(Kind kind, const SourceConfig& config)
    : VideoSource(config.fieldRate), kind_(kind), seed_(config.seed), periodMs_(config.periodMs) {}

std::unique_ptr<SceneSource> makeScene(std::string_view name, const SourceConfig& config) {
    for (const NamedKind& k : kScenes) {
        if (k.name == name) {
            return std::make_unique<SceneSource>(k.kind, config);
        }
    }
    return nullptr;
}

const Picture& SceneSource::room(int width, int height) {
    if (room_.width != width || room_.height != height) {
        room_.resize(width, height);
        drawRoom(room_, seed_);
        dimmedRoom_ = room_.y;
        for (uint8_t& y : dimmedRoom_) {
            y = uint8_t(y * 3 / 5);
        }
    }
    return room_;
}

void SceneSource::render(uint64_t fieldIndex, Picture& out) {
    const uint64_t ms = fieldIndex * 1000 / uint64_t(fieldRate());
    const uint64_t period = std::max<uint32_t>(periodMs_, 1);
    const uint64_t phase = ms % period;
    // The room never changes: drawn once per size, copied into every field.
    const Picture& background = room(out.width, out.height);
    out.y = background.y;
    out.u = background.u;
    out.v = background.v;
    switch (kind_) {
        case Kind::Static:
            break;
        case Kind::Walker: {
            // Crossing takes the first half of each period.
            const uint64_t crossing = period / 2;
            if (phase < crossing) {
                const int w = std::max(2, out.width / 12);
                drawPerson(out,
                           -w + int(int64_t(out.width + w) * int64_t(phase) / int64_t(crossing)));
            }
            break;
        }
        case Kind::Arrival: {
            // Nothing for one period, then an object slides in from the
            // right over two seconds and stays in the middle.
            if (ms >= period) {
                const uint64_t moving = std::min<uint64_t>(ms - period, 2000);
                const int w = out.width / 5;
                const int stop = out.width / 2 - w / 2;
                const int x = out.width - int(int64_t(out.width - stop) * int64_t(moving) / 2000);
                fill(out, {x, out.height / 2, x + w, out.height * 4 / 5}, {200, 100, 160});
            }
            break;
        }
        case Kind::Lighting:
            if (phase >= period / 2) {
                out.y = dimmedRoom_;
            }
            break;
    }
    addNoise(out, seed_, fieldIndex);
}

}  // namespace zelkor::vcard
