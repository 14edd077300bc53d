// A Y4M source's fields: each frame is read from the open file as it is
// shown (so a file changed underneath cannot crash the program), where it
// used to be a mapped file. The reference scales the same frames from the
// stream held in memory; the ratio shows what reading from the file adds.
// Goal: a 720 x 480 4:2:0 field at most twice the reference's cost.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <string>

#include "vcard/y4m.h"

namespace {

using namespace zelkor;

constexpr int kWidth = 720;
constexpr int kHeight = 480;
constexpr int kFrames = 8;

std::string clip() {
    std::string text = "YUV4MPEG2 W720 H480 F30:1 Ip C420jpeg\n";
    const size_t samples = size_t(kWidth) * kHeight * 3 / 2;
    for (int f = 0; f < kFrames; ++f) {
        text += "FRAME\n";
        for (size_t i = 0; i < samples; ++i) {
            text += char((i * 7 + size_t(f) * 13) & 0xFF);
        }
    }
    return text;
}

// The clip as a file for the whole run.
struct ClipFile {
    std::string text = clip();
    std::string path;
    ClipFile() {
        char name[] = "/tmp/bench_y4m_XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0) {
            close(fd);
            path = name;
            std::ofstream(path, std::ios::binary) << text;
        }
    }
    ~ClipFile() {
        if (!path.empty()) {
            unlink(path.c_str());
        }
    }
};

ClipFile& clipFile() {
    static ClipFile file;
    return file;
}

// The reference: the planes of frame `f` straight from the clip in memory,
// as they were shown from the mapped file.
vcard::Planes mappedPlanes(const std::string& text, int f) {
    const size_t header = text.find('\n') + 1;
    const size_t frameBytes = size_t(kWidth) * kHeight * 3 / 2;
    const auto* y =
        reinterpret_cast<const uint8_t*>(text.data()) + header + size_t(f) * (6 + frameBytes) + 6;
    const uint8_t* u = y + size_t(kWidth) * kHeight;
    const uint8_t* v = u + size_t(kWidth / 2) * (kHeight / 2);
    return {y, u, v, kWidth, kHeight, kWidth / 2, kHeight / 2};
}

double secondsPerField(const std::function<void(uint64_t)>& render, uint64_t fields) {
    const auto start = std::chrono::steady_clock::now();
    for (uint64_t field = 0; field < fields; ++field) {
        render(field);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
           double(fields);
}

void BM_FieldFromFile(benchmark::State& state) {
    std::string error;
    auto source = vcard::Y4mSource::open(clipFile().path, 60, error);
    if (!source) {
        state.SkipWithError(error.c_str());
        return;
    }
    vcard::Picture out;
    out.resize(720, 240);
    uint64_t field = 0;
    for (auto _ : state) {
        source->render(field++, out);
        benchmark::DoNotOptimize(out.y.data());
    }
    constexpr uint64_t kCompared = 200;
    const double file = secondsPerField([&](uint64_t f) { source->render(f, out); }, kCompared);
    const double mapped = secondsPerField(
        [&](uint64_t f) {
            vcard::scalePlanes(mappedPlanes(clipFile().text, int(f / 2 % kFrames)), out);
        },
        kCompared);
    state.counters["vs_mapped"] = file / mapped;
    state.counters["goal_vs_mapped"] = 2;
}
BENCHMARK(BM_FieldFromFile)->Unit(benchmark::kMicrosecond);

void BM_FieldFromMappedMemory(benchmark::State& state) {
    vcard::Picture out;
    out.resize(720, 240);
    uint64_t field = 0;
    for (auto _ : state) {
        vcard::scalePlanes(mappedPlanes(clipFile().text, int(field++ / 2 % kFrames)), out);
        benchmark::DoNotOptimize(out.y.data());
    }
}
BENCHMARK(BM_FieldFromMappedMemory)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
