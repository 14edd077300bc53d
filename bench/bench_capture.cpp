// Speed of the capture driver's per-frame work. Each benchmark times its
// operation and a simple reference in the same loop and reports both and
// their ratio:
//   GrabSaveRead: grab a 352 x 288 frame, save it as a bitmap and read it
//     back with ReadFrameBitmap (goal 1 ms), against writing the same
//     number of bytes to a file uncompressed.
//   MjpegEncode: one 352 x 240 clip frame to JPEG (goal 2 ms, 6 % of a core
//     at 30 fps), against a plain copy of its planes.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "bench/ratio_report.h"
#include "platform/fake/virtual_clock.h"
#include "vcard/capture_window.h"
#include "vcard/card.h"
#include "vcard/config.h"
#include "vcard/mjpeg.h"
#include "vorrak/detection/frame_bitmap.h"

namespace {

using namespace zelkor;
using bench::Clock;
using bench::report;
using bench::seconds;
namespace vf = platform::video_format;

// A source with detail and noise, so JPEG has real work to do.
class BusySource : public vcard::VideoSource {
  public:
    BusySource() : VideoSource(60) {}
    void render(uint64_t field, vcard::Picture& out) override {
        uint32_t noise = uint32_t(field) * 2654435761u;
        for (int y = 0; y < out.height; ++y) {
            for (int x = 0; x < out.width; ++x) {
                noise = noise * 1664525u + 1013904223u;
                out.y[size_t(y) * size_t(out.width) + size_t(x)] =
                    uint8_t(32 + (x * 3 + y * 5) % 160 + (noise >> 28));
            }
        }
        for (size_t i = 0; i < out.u.size(); ++i) {
            out.u[i] = uint8_t(96 + i % 64);
            out.v[i] = uint8_t(160 - i % 48);
        }
    }
};

void grabSaveRead(benchmark::State& state) {
    platform::VirtualClock clock;
    vcard::VirtualCard card(vcard::VcardConfig{}, clock, std::make_unique<BusySource>(), nullptr);
    vcard::VirtualCaptureWindow window(card, clock, {}, nullptr);
    std::string name;
    std::string version;
    int index = 0;
    while (!card.captureDriver().driverDescription(index, name, version)) {
        ++index;
    }
    window.driverConnect(index);
    window.setVideoFormat(vf::encode({vf::FrameHeaderSize, 352, 288, 8, vf::Rgb, 0, 0, 0}));
    const std::string dir = (std::filesystem::temp_directory_path() / "bench_capture").string();
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/work0.bmp";
    const std::string refPath = dir + "/reference.bmp";
    const std::vector<uint8_t> plain(14 + 40 + 1024 + 352 * 288, 0x55);

    double ours = 0;
    double reference = 0;
    vorrak::LastFrameRead last;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        window.grabFrameNoStop();
        window.fileSaveDib(path);
        vorrak::FrameImage frame;
        const uint32_t code = vorrak::ReadFrameBitmap(path, frame, last);
        const auto t1 = Clock::now();
        std::FILE* f = std::fopen(refPath.c_str(), "wb");
        std::fwrite(plain.data(), 1, plain.size(), f);
        std::fclose(f);
        const auto t2 = Clock::now();
        if (code != vorrak::kFrameReadOk) {
            state.SkipWithError("the frame did not read back");
            break;
        }
        ours += seconds(t0, t1);
        reference += seconds(t1, t2);
        clock.advance(17);
        state.SetIterationTime(seconds(t0, t1));
    }
    report(state, ours, reference);
    std::filesystem::remove_all(dir);
}

void mjpegEncode(benchmark::State& state) {
    vcard::VideoField field;
    field.height = 240;
    field.uyvy.resize(size_t(vcard::VideoField::Width) * 240 * 2);
    BusySource source;
    vcard::Picture picture;
    picture.resize(vcard::VideoField::Width, 240);
    source.render(1, picture);
    for (size_t i = 0; i < picture.y.size() / 2; ++i) {
        field.uyvy[i * 4] = picture.u[i];
        field.uyvy[i * 4 + 1] = picture.y[i * 2];
        field.uyvy[i * 4 + 2] = picture.v[i];
        field.uyvy[i * 4 + 3] = picture.y[i * 2 + 1];
    }
    vcard::CaptureFrame frame;
    vcard::frameFromField(field, 352, 240, frame);
    std::vector<uint8_t> jpeg;
    std::vector<uint8_t> copy(frame.y.size() + frame.u.size() + frame.v.size());

    double ours = 0;
    double reference = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        vcard::encodeJpeg(frame, false, vcard::kDefaultJpegQuality, jpeg);
        const auto t1 = Clock::now();
        std::memcpy(copy.data(), frame.y.data(), frame.y.size());
        std::memcpy(copy.data() + frame.y.size(), frame.u.data(), frame.u.size());
        std::memcpy(copy.data() + frame.y.size() + frame.u.size(), frame.v.data(), frame.v.size());
        benchmark::DoNotOptimize(copy.data());
        const auto t2 = Clock::now();
        ours += seconds(t0, t1);
        reference += seconds(t1, t2);
        state.SetIterationTime(seconds(t0, t1));
    }
    state.counters["jpeg_bytes"] = double(jpeg.size());
    report(state, ours, reference);
}

}  // namespace

BENCHMARK(grabSaveRead)
    ->Name("GrabSaveRead/352x288x8")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(mjpegEncode)->Name("MjpegEncode/352x240")->UseManualTime()->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    int qtArgc = 1;
    char name[] = "bench_capture";
    char* qtArgv[] = {name, nullptr};
    QApplication app(qtArgc, qtArgv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
