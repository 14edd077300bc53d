// Speed of the guard engine's per-scan work: the block comparison of two
// 352 x 288 frames against the plain pixel-by-pixel comparison, and reading
// a frame bitmap against a plain read of the same file. Prints each ratio.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/guard/bitmap_builder.h"
#include "tests/guard/compare_reference.h"
#include "vorrak/detection/compare.h"
#include "vorrak/detection/frame_bitmap.h"

namespace {

using namespace zelkor::vorrak;

constexpr uint32_t kWidth = 352;
constexpr uint32_t kHeight = 288;
constexpr uint32_t kSensibility = 90;

struct Scene {
    const char* name;
    std::vector<uint8_t> earlier;
    std::vector<uint8_t> newer;
};

// Sensor noise that stays within the pixel threshold.
void addNoise(std::vector<uint8_t>& frame, std::mt19937& random, int amplitude) {
    for (auto& p : frame) {
        const int moved = p + static_cast<int>(random() % (2 * amplitude + 1)) - amplitude;
        p = static_cast<uint8_t>(std::clamp(moved, 0, 255));
    }
}

std::vector<Scene> makeScenes() {
    std::mt19937 random(7);
    std::vector<uint8_t> background(kWidth * kHeight);
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) {
            background[y * kWidth + x] = static_cast<uint8_t>(40 + (x + 2 * y) % 160);
        }
    }
    const uint32_t t = PixelThreshold(kSensibility);
    std::vector<Scene> scenes;

    Scene noise{"Noise", background, background};
    addNoise(noise.newer, random, static_cast<int>(t));
    scenes.push_back(std::move(noise));

    // A 60 x 90 figure steps 12 pixels to the right.
    Scene object{"MovingObject", background, background};
    for (uint32_t y = 100; y < 190; ++y) {
        for (uint32_t x = 0; x < 60; ++x) {
            object.earlier[y * kWidth + 150 + x] = 230;
            object.newer[y * kWidth + 162 + x] = 230;
        }
    }
    addNoise(object.newer, random, 4);
    scenes.push_back(std::move(object));

    Scene whole{"WholeFrame", background, background};
    for (auto& p : whole.newer) {
        p = static_cast<uint8_t>(255 - p);
    }
    scenes.push_back(std::move(whole));
    return scenes;
}

CompareState guardState() {
    CompareState state;
    BuildRegionMask(state, false, {}, kWidth, kHeight);
    SetThresholds(state, kSensibility);
    return state;
}

constexpr CompareContext kContext{false, kWidth, kHeight, kWidth};

void compareFast(benchmark::State& bench, const Scene& scene) {
    CompareState state = guardState();
    for (auto _ : bench) {
        benchmark::DoNotOptimize(
            CompareFrames(scene.earlier, scene.newer, state.PixelThreshold, kContext, state));
        benchmark::ClobberMemory();
    }
}

void compareReference(benchmark::State& bench, const Scene& scene) {
    CompareState state = guardState();
    for (auto _ : bench) {
        benchmark::DoNotOptimize(zelkor::vorrak::testing::CompareFramesReference(
            scene.earlier.data(), scene.newer.data(), state.PixelThreshold, kContext, state));
        benchmark::ClobberMemory();
    }
}

std::string writeFrameFile() {
    std::string dir = (std::filesystem::temp_directory_path() / "bench-guard-XXXXXX").string();
    if (::mkdtemp(dir.data()) == nullptr) {
        return {};
    }
    const std::vector<uint8_t> bytes = zelkor::vorrak::testing::makeBitmap({});
    const std::string path = dir + "/work0.bmp";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    return path;
}

void readFrame(benchmark::State& bench, const std::string& path) {
    LastFrameRead last;
    for (auto _ : bench) {
        FrameImage frame;
        if (ReadFrameBitmap(path, frame, last) != kFrameReadOk) {
            bench.SkipWithError("frame file not read");
            break;
        }
        benchmark::DoNotOptimize(frame.block.get());
    }
}

// The least a reader must do: open, read the whole file, close.
void readFileReference(benchmark::State& bench, const std::string& path) {
    const auto size = static_cast<size_t>(std::filesystem::file_size(path));
    for (auto _ : bench) {
        std::vector<uint8_t> bytes(size);
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (f == nullptr || std::fread(bytes.data(), 1, size, f) != size) {
            bench.SkipWithError("file not read");
        }
        if (f != nullptr) {
            std::fclose(f);
        }
        benchmark::DoNotOptimize(bytes.data());
    }
}

// Keeps the CPU time per iteration of every run so the ratios can be
// printed; CPU time, as the goals are per core and the machine is shared.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                nanoseconds[run.benchmark_name()] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> nanoseconds;
};

}  // namespace

int main(int argc, char** argv) {
    const std::vector<Scene> scenes = makeScenes();
    for (const Scene& scene : scenes) {
        benchmark::RegisterBenchmark((std::string("CompareFrames/") + scene.name).c_str(),
                                     compareFast, std::cref(scene));
        benchmark::RegisterBenchmark((std::string("CompareFramesReference/") + scene.name).c_str(),
                                     compareReference, std::cref(scene));
    }
    const std::string frameFile = writeFrameFile();
    benchmark::RegisterBenchmark("ReadFrameBitmap/352x288x8", readFrame, frameFile);
    benchmark::RegisterBenchmark("ReadFileReference/352x288x8", readFileReference, frameFile);

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (!frameFile.empty()) {
        std::filesystem::remove_all(std::filesystem::path(frameFile).parent_path());
    }

    const auto ratio = [&reporter](const std::string& fast, const std::string& reference) {
        const auto f = reporter.nanoseconds.find(fast);
        const auto r = reporter.nanoseconds.find(reference);
        if (f != reporter.nanoseconds.end() && r != reporter.nanoseconds.end() && f->second > 0) {
            std::printf("%-28s %9.2f us  reference %9.2f us  ratio %6.1fx\n", fast.c_str(),
                        f->second / 1000, r->second / 1000, r->second / f->second);
        }
    };
    for (const Scene& scene : scenes) {
        ratio(std::string("CompareFrames/") + scene.name,
              std::string("CompareFramesReference/") + scene.name);
    }
    ratio("ReadFrameBitmap/352x288x8", "ReadFileReference/352x288x8");
    return 0;
}
