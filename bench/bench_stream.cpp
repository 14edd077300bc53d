// The stream: source's work per picture of an H.264 camera or file: read,
// decode and turn the picture into a 720 x 288 field of the card (the most
// the card asks of a source at a time), against plain FFmpeg decoding of the
// same file in the same run (libavformat + libavcodec, the same threads,
// every frame decoded and nothing more). Both open the file and decode it
// to its end once per iteration; the counters are per picture.
//   352 x 288 and 1920 x 1080, made by ffmpeg for the run.
//   Goal: ratio <= 1.2.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "bench/ratio_report.h"
#include "vcard/scale.h"
#include "vcard/stream_input.h"

namespace {

using namespace zelkor;
using bench::Clock;
using bench::seconds;

// A folder of clips for the run, made by ffmpeg (a moving test picture,
// x264's defaults as a camera would send: a key picture every 2 s).
class Clips {
  public:
    Clips() {
        char pattern[] = "/tmp/bench_stream_XXXXXX";
        if (mkdtemp(pattern) != nullptr) {
            dir_ = pattern;
        }
    }
    ~Clips() {
        if (!dir_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(dir_, ignored);
        }
    }
    // The clip of the given size, made on first use; empty if ffmpeg fails.
    std::string clip(int width, int height, int frames) {
        const std::string path =
            dir_ + "/" + std::to_string(width) + "x" + std::to_string(height) + ".mp4";
        if (!std::filesystem::exists(path)) {
            const std::string command =
                "ffmpeg -v error -y -f lavfi -i testsrc2=size=" + std::to_string(width) + "x" +
                std::to_string(height) + ":rate=25 -frames:v " + std::to_string(frames) +
                " -c:v libx264 -preset veryfast -g 50 -pix_fmt yuv420p '" + path + "'";
            if (dir_.empty() || std::system(command.c_str()) != 0) {
                return {};
            }
        }
        return path;
    }

  private:
    std::string dir_;
};

Clips& clips() {
    static Clips c;
    return c;
}

// Ours: the connection the source's thread reads with, and the picture the
// card samples, every picture turned into a field.
int ours(const std::string& path, vcard::Picture& field) {
    vcard::StreamOptions options;
    options.url = path;
    vcard::StreamConnection connection;
    std::string why;
    if (!connection.open(options, why)) {
        return -1;
    }
    vcard::StreamPicture picture;
    static const vcard::Sampling at = vcard::sampleWhole(720, 288);
    int frames = 0;
    while (connection.next(why) == vcard::StreamConnection::Got::Frame) {
        picture.takeFrame(connection.frame());
        picture.sample(at, field);
        benchmark::DoNotOptimize(field.y.data());
        ++frames;
    }
    return frames;
}

// The reference: FFmpeg's decoding loop as its examples write it.
int reference(const std::string& path) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
        return -1;
    }
    int frames = -1;
    const AVCodec* codec = nullptr;
    AVCodecContext* decoder = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const int stream = avformat_find_stream_info(format, nullptr) < 0
                           ? -1
                           : av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (stream >= 0 && (decoder = avcodec_alloc_context3(codec)) != nullptr &&
        avcodec_parameters_to_context(decoder, format->streams[stream]->codecpar) >= 0) {
        decoder->thread_count = 0;
        decoder->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
        if (avcodec_open2(decoder, codec, nullptr) >= 0) {
            frames = 0;
            const auto receive = [&] {
                while (avcodec_receive_frame(decoder, frame) == 0) {
                    benchmark::DoNotOptimize(frame->data[0]);
                    av_frame_unref(frame);
                    ++frames;
                }
            };
            while (av_read_frame(format, packet) >= 0) {
                if (packet->stream_index == stream) {
                    avcodec_send_packet(decoder, packet);
                    receive();
                }
                av_packet_unref(packet);
            }
            avcodec_send_packet(decoder, nullptr);
            receive();
        }
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
    return frames;
}

void BM_StreamDecodeAndField(benchmark::State& state) {
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    const int length = int(state.range(2));
    const std::string path = clips().clip(width, height, length);
    if (path.empty()) {
        state.SkipWithError("ffmpeg cannot make the clip");
        return;
    }
    vcard::prepareFfmpeg();
    vcard::Picture field;
    double oursSeconds = 0;
    double referenceSeconds = 0;
    int64_t pictures = 0;
    for (auto _ : state) {
        const auto a = Clock::now();
        const int decoded = ours(path, field);
        const auto b = Clock::now();
        const int expected = reference(path);
        const auto c = Clock::now();
        if (decoded != expected || decoded <= 0) {
            state.SkipWithError("ours and FFmpeg decode different numbers of pictures");
            return;
        }
        oursSeconds += seconds(a, b);
        referenceSeconds += seconds(b, c);
        pictures += decoded;
    }
    const double n = double(pictures);
    state.counters["ours_us"] = oursSeconds / n * 1e6;
    state.counters["reference_us"] = referenceSeconds / n * 1e6;
    state.counters["ratio"] = referenceSeconds > 0 ? oursSeconds / referenceSeconds : 0;
    state.counters["goal_ratio"] = 1.2;
    state.SetItemsProcessed(pictures);
}
BENCHMARK(BM_StreamDecodeAndField)
    ->ArgNames({"w", "h", "frames"})
    ->Args({352, 288, 250})
    ->Args({1920, 1080, 50})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
