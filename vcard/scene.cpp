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

// The samples of `map` (nondecreasing) that fall in [low, high).
struct Span {
    size_t first, last;
};
Span spanOf(const std::vector<uint32_t>& map, int low, int high) {
    low = std::max(low, 0);
    if (high <= low) {
        return {0, 0};
    }
    const auto first = std::lower_bound(map.begin(), map.end(), uint32_t(low));
    const auto last = std::lower_bound(first, map.end(), uint32_t(high));
    return {size_t(first - map.begin()), size_t(last - map.begin())};
}

// A filled rectangle of the full picture, clipped, on the samples of it
// that `p` holds. A rectangle starts on a whole colour pair.
void fill(Picture& p, const Sampling& at, Rect r, Colour c) {
    const int x0 = std::max(r.x0, 0) & ~1;
    const int x1 = std::min(r.x1, at.fullWidth);
    const Span lines = spanOf(at.lines, r.y0, r.y1);
    const Span columns = spanOf(at.columns, x0, x1);
    const Span pairs = spanOf(at.pairs, x0 / 2, (x1 + 1) / 2);
    const size_t width = size_t(p.width);
    for (size_t j = lines.first; j < lines.last; ++j) {
        std::fill(p.y.begin() + std::ptrdiff_t(j * width + columns.first),
                  p.y.begin() + std::ptrdiff_t(j * width + columns.last), c.y);
        std::fill(p.u.begin() + std::ptrdiff_t(j * (width / 2) + pairs.first),
                  p.u.begin() + std::ptrdiff_t(j * (width / 2) + pairs.last), c.u);
        std::fill(p.v.begin() + std::ptrdiff_t(j * (width / 2) + pairs.first),
                  p.v.begin() + std::ptrdiff_t(j * (width / 2) + pairs.last), c.v);
    }
}

// The room: wall and floor, with furniture placed by the seed.
void drawRoom(Picture& p, uint32_t seed) {
    const Sampling at = sampleWhole(p.width, p.height);
    const int horizon = p.height * 3 / 5;
    for (int y = 0; y < p.height; ++y) {
        const bool floor = y >= horizon;
        const uint8_t luma =
            floor ? uint8_t(70 + 50 * (y - horizon) / std::max(1, p.height - horizon))
                  : uint8_t(150 + 30 * y / std::max(1, horizon));
        fill(p, at, {0, y, p.width, y + 1},
             {luma, uint8_t(floor ? 118 : 134), uint8_t(floor ? 140 : 122)});
    }
    for (uint32_t i = 0; i < 3; ++i) {
        const uint32_t r = mix(seed * 3 + i + 1);
        const int w = p.width / 8 + int(r % uint32_t(std::max(1, p.width / 6)));
        const int h = p.height / 6 + int((r >> 8) % uint32_t(std::max(1, p.height / 4)));
        const int x = int((r >> 16) % uint32_t(std::max(1, p.width - w)));
        fill(p, at, {x, horizon - h / 2, x + w, horizon + h / 2},
             {uint8_t(40 + (r >> 24) % 60), uint8_t(110 + (r >> 4) % 30),
              uint8_t(120 + (r >> 12) % 30)});
    }
}

// Someone about half the picture tall: dark clothes, a lighter head.
void drawPerson(Picture& p, const Sampling& at, int left) {
    const int h = at.fullHeight * 11 / 20;
    const int w = std::max(2, at.fullWidth / 12);
    const int feet = at.fullHeight * 9 / 10;
    const int head = h / 6;
    fill(p, at, {left + w / 4, feet - h, left + w - w / 4, feet - h + head}, {170, 110, 150});
    fill(p, at, {left, feet - h + head, left + w, feet}, {45, 135, 120});
}

// Pixels per block of noise: with a fixed trip count GCC vectorises the
// hashing at -O2, which is most of a field's cost.
constexpr size_t kNoiseBlock = 64;

// Sample i of the run lies at `place` + columns[i] of the full picture.
[[gnu::always_inline]] inline void noiseRun(uint8_t* __restrict y,
                                            const uint32_t* __restrict columns, uint32_t place,
                                            size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const int d = int(mix(place + columns[i]) % 9) - 4;
        y[i] = uint8_t(std::clamp(int(y[i]) + d, 0, 255));
    }
}

[[gnu::always_inline]] inline void noiseBlocks(uint8_t* y, const uint32_t* columns, size_t n,
                                               uint32_t place) {
    size_t i = 0;
    for (; i + kNoiseBlock <= n; i += kNoiseBlock) {
        noiseRun(y + i, columns + i, place, kNoiseBlock);
    }
    noiseRun(y + i, columns + i, place, n - i);
}

#if ZELKOR_WIDE_LOOPS
ZELKOR_WIDE_TARGET void noiseBlocksWide(uint8_t* y, const uint32_t* columns, size_t n,
                                        uint32_t place) {
    noiseBlocks(y, columns, n, place);
}
#endif

// Sensor noise of -4 .. 4 on every luminance sample, hashed from the seed,
// the field and the sample's place in the full picture.
void addNoise(Picture& p, const Sampling& at, uint32_t seed, uint64_t field) {
    const uint32_t base = mix(seed ^ mix(uint32_t(field) ^ uint32_t(field >> 32) * 0x9E3779B9u));
    const size_t width = at.columns.size();
    for (size_t j = 0; j < at.lines.size(); ++j) {
        uint8_t* y = p.y.data() + j * width;
        const uint32_t place = base + at.lines[j] * uint32_t(at.fullWidth);
#if ZELKOR_WIDE_LOOPS
        if (wideLoops()) {
            noiseBlocksWide(y, at.columns.data(), width, place);
            continue;
        }
#endif
        noiseBlocks(y, at.columns.data(), width, place);
    }
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
    renderSampled(fieldIndex, sampleWhole(out.width, out.height), out);
}

void SceneSource::renderSampled(uint64_t fieldIndex, const Sampling& at, Picture& out) {
    const uint64_t ms = fieldIndex * 1000 / uint64_t(fieldRate());
    const uint64_t period = std::max<uint32_t>(periodMs_, 1);
    const uint64_t phase = ms % period;
    const int width = at.fullWidth;
    const int height = at.fullHeight;
    // The room never changes: drawn once per size, its samples copied into
    // every field.
    Planes background = planesOf(room(width, height));
    if (kind_ == Kind::Lighting && phase >= period / 2) {
        background.y = dimmedRoom_.data();
    }
    samplePlanes(background, at, out);
    switch (kind_) {
        case Kind::Static:
        case Kind::Lighting:
            break;
        case Kind::Walker: {
            // Crossing takes the first half of each period.
            const uint64_t crossing = period / 2;
            if (phase < crossing) {
                const int w = std::max(2, width / 12);
                drawPerson(out, at,
                           -w + int(int64_t(width + w) * int64_t(phase) / int64_t(crossing)));
            }
            break;
        }
        case Kind::Arrival: {
            // Nothing for one period, then an object slides in from the
            // right over two seconds and stays in the middle.
            if (ms >= period) {
                const uint64_t moving = std::min<uint64_t>(ms - period, 2000);
                const int w = width / 5;
                const int stop = width / 2 - w / 2;
                const int x = width - int(int64_t(width - stop) * int64_t(moving) / 2000);
                fill(out, at, {x, height / 2, x + w, height * 4 / 5}, {200, 100, 160});
            }
            break;
        }
    }
    addNoise(out, at, seed_, fieldIndex);
}

}  // namespace zelkor::vcard
