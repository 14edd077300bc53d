#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <jpeglib.h>

#include "tests/support/temp_dir.h"
#include "vcard/scene.h"
#include "vcard/v4l2_source.h"
#include "vcard/y4m.h"

namespace zelkor {
namespace {

uint64_t checksum(const vcard::Picture& p) {
    uint64_t h = 1469598103934665603ull;  // FNV-1a over all three planes
    for (const auto* plane : {&p.y, &p.u, &p.v}) {
        for (uint8_t b : *plane) {
            h = (h ^ b) * 1099511628211ull;
        }
    }
    return h;
}

vcard::Picture render(std::string_view scene, uint32_t seed, uint64_t field, int rate = 60) {
    vcard::SourceConfig config{std::string("scene:") + std::string(scene), rate, seed, 8000};
    auto source = vcard::makeScene(scene, config);
    vcard::Picture p;
    p.resize(720, 240);
    source->render(field, p);
    return p;
}

double meanLuma(const vcard::Picture& p, int x0, int x1) {
    double sum = 0;
    int n = 0;
    for (int y = 0; y < p.height; ++y) {
        for (int x = x0; x < x1; ++x) {
            sum += p.y[size_t(y) * size_t(p.width) + size_t(x)];
            ++n;
        }
    }
    return sum / n;
}

TEST(Scenes, FramesRepeatExactlyForASeed) {
    // Fixed sums: a change in any scene's drawing shows up here.
    struct Case {
        const char* scene;
        uint32_t seed;
        uint64_t field;
        uint64_t sum;
    };
    const Case cases[] = {
        {"static", 1, 0, 9007698926929980922ull},      {"walker", 1, 60, 1473198893158864102ull},
        {"walker", 7, 60, 940448984108932093ull},      {"arrival", 1, 900, 846236361401539657ull},
        {"lighting", 1, 300, 13459328802848677500ull},
    };
    for (const Case& c : cases) {
        const uint64_t sum = checksum(render(c.scene, c.seed, c.field));
        EXPECT_EQ(sum, checksum(render(c.scene, c.seed, c.field)));
        EXPECT_EQ(sum, c.sum) << c.scene << " seed " << c.seed << " field " << c.field;
    }
    EXPECT_NE(checksum(render("static", 1, 0)), checksum(render("static", 1, 1)))
        << "sensor noise differs from field to field";
}

TEST(Scenes, ScriptedEventsHappenWhenTheyShould) {
    // The walker crosses in the first half of each 8 s period, left to right.
    const auto early = render("walker", 1, 60);  // 1 s in
    const auto late = render("walker", 1, 180);  // 3 s in
    const auto away = render("walker", 1, 300);  // 5 s in
    const auto empty = render("static", 1, 300);
    EXPECT_GT(std::abs(meanLuma(early, 0, 360) - meanLuma(away, 0, 360)), 2.0);
    EXPECT_LT(std::abs(meanLuma(early, 360, 720) - meanLuma(away, 360, 720)), 1.0);
    EXPECT_GT(std::abs(meanLuma(late, 360, 720) - meanLuma(away, 360, 720)), 2.0);
    EXPECT_LT(std::abs(meanLuma(away, 0, 720) - meanLuma(empty, 0, 720)), 1.0);
    EXPECT_LT(std::abs(meanLuma(early, 0, 360) - meanLuma(render("walker", 1, 60 + 480), 0, 360)),
              0.5)
        << "the walk repeats every period";

    // The arrival: nothing in the first period, then it comes and stays.
    const auto before = render("arrival", 1, 400);
    const auto stopped = render("arrival", 1, 720);
    const auto later = render("arrival", 1, 3000);
    EXPECT_GT(meanLuma(stopped, 300, 420) - meanLuma(before, 300, 420), 10.0);
    EXPECT_LT(std::abs(meanLuma(stopped, 300, 420) - meanLuma(later, 300, 420)), 1.0);

    // The light goes down in the second half of each period.
    EXPECT_LT(meanLuma(render("lighting", 1, 300), 0, 720),
              meanLuma(render("lighting", 1, 60), 0, 720) * 0.7);
}

// Writes a YUV4MPEG2 file of frames whose samples are a function of
// position and frame.
void writeY4m(const std::filesystem::path& path, int w, int h, const char* colour, int frames,
              int cw, int ch) {
    std::ofstream out(path, std::ios::binary);
    out << "YUV4MPEG2 W" << w << " H" << h << " F25:1 Ip A1:1";
    if (colour != nullptr) {
        out << " C" << colour;
    }
    out << '\n';
    for (int f = 0; f < frames; ++f) {
        out << (f == 1 ? "FRAME Ixyz\n" : "FRAME\n");
        for (int i = 0; i < w * h; ++i) {
            out.put(char((i % w) * 2 + f * 10));
        }
        for (int plane = 0; plane < 2; ++plane) {
            for (int i = 0; i < cw * ch; ++i) {
                out.put(char(plane == 0 ? 60 + f : 200 - f));
            }
        }
    }
}

TEST(Y4mFiles, WrittenFilesReadBackScaledAndLooped) {
    struct Case {
        const char* colour;
        int cw, ch;
        vcard::Y4mStream::Chroma chroma;
    };
    const Case cases[] = {
        {nullptr, 45, 30, vcard::Y4mStream::Chroma::C420},
        {"420jpeg", 45, 30, vcard::Y4mStream::Chroma::C420},
        {"422", 45, 60, vcard::Y4mStream::Chroma::C422},
        {"mono", 0, 0, vcard::Y4mStream::Chroma::Mono},
    };
    for (const Case& c : cases) {
        const auto path = std::filesystem::path(::testing::TempDir()) / "roundtrip.y4m";
        writeY4m(path, 90, 60, c.colour, 3, c.cw, c.ch);
        std::string error;
        auto source = vcard::Y4mSource::open(path.string(), 50, error);
        ASSERT_TRUE(source) << error;
        EXPECT_EQ(source->fieldRate(), 50);

        vcard::Picture p;
        p.resize(180, 120);  // twice the size: every sample doubled
        for (uint64_t field : {0, 1, 2, 5, 6}) {
            source->render(field, p);
            const int frame = int(field / 2) % 3;
            EXPECT_EQ(p.y[0], frame * 10);
            EXPECT_EQ(p.y[1], frame * 10);
            EXPECT_EQ(p.y[2], 2 + frame * 10);
            EXPECT_EQ(p.y[size_t(119 * 180 + 179)], 89 * 2 + frame * 10);
            EXPECT_EQ(p.u[500], c.cw ? 60 + frame : 128) << (c.colour ? c.colour : "default");
            EXPECT_EQ(p.v[500], c.cw ? 200 - frame : 128);
        }
    }
}

TEST(Y4mFiles, BrokenFilesAreRefused) {
    const std::string frame = "FRAME\n" + std::string(6, 'x');  // a 2x2 mono frame
    struct Case {
        std::string text;
        const char* error;
    };
    const std::vector<Case> cases = {
        {"", "not a YUV4MPEG2 file"},
        {"YUV4MPEG2 W2 H2 Cmono", "not a YUV4MPEG2 file"},
        {"YUV4MPEG2 W0 H2 Cmono\n" + frame, "bad width"},
        {"YUV4MPEG2 W2 H99999 Cmono\n" + frame, "bad height"},
        {"YUV4MPEG2 H2 Cmono\n" + frame, "header without width or height"},
        {"YUV4MPEG2 W2 H2 C444\n" + frame, "unsupported colour space C444"},
        {"YUV4MPEG2 W2 H2 C420p10\n" + frame, "unsupported colour space C420p10"},
        {"YUV4MPEG2W2 H2\n" + frame, "bad header"},
        {"YUV4MPEG2 W2 H2 Cmono\nFRAME\nabc", "no complete frame"},
        {"YUV4MPEG2 W2 H2 Cmono\nFRAMX\nabcd", "no complete frame"},
    };
    for (const Case& c : cases) {
        vcard::Y4mStream s;
        std::string error;
        EXPECT_FALSE(s.parse(c.text, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
    vcard::Y4mStream s;
    std::string error;
    ASSERT_TRUE(s.parse("YUV4MPEG2 W2 H2 Cmono\n" + frame + "FRAME\nab", error));
    EXPECT_EQ(s.frameCount(), 1u) << "a cut-off last frame is left out";
    EXPECT_FALSE(vcard::Y4mSource::open("/nonexistent/clip.y4m", 60, error));
    EXPECT_EQ(error, "/nonexistent/clip.y4m: cannot be opened");
}

bool allBlack(const vcard::Picture& p) {
    const auto is = [](const std::vector<uint8_t>& plane, uint8_t value) {
        return std::all_of(plane.begin(), plane.end(), [value](uint8_t b) { return b == value; });
    };
    return is(p.y, 16) && is(p.u, 128) && is(p.v, 128);
}

TEST(Y4mFiles, AFileCutShortOrRewrittenWhileShownGivesBlack) {
    testing::TempDir dir;
    const std::filesystem::path path = dir.file("shown.y4m");
    writeY4m(path, 90, 60, "mono", 3, 0, 0);
    const std::string original = testing::readText(path);
    std::string error;
    auto source = vcard::Y4mSource::open(path.string(), 60, error);
    ASSERT_TRUE(source) << error;
    vcard::Picture p;
    p.resize(90, 60);
    source->render(2, p);  // frame 1
    EXPECT_EQ(p.y[1], 2 + 10);

    // Cut to its header: a mapped file would kill the program here.
    std::filesystem::resize_file(path, original.find("FRAME"));
    p.y.assign(p.y.size(), 99);
    source->render(2, p);
    EXPECT_TRUE(allBlack(p));

    // The same length again, but no frame where frame 1 was.
    std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(original.size(), 'x');
    source->render(2, p);
    EXPECT_TRUE(allBlack(p));

    // Written back whole: the frames show again.
    std::ofstream(path, std::ios::binary | std::ios::trunc) << original;
    source->render(4, p);
    EXPECT_EQ(p.y[1], 2 + 20);
}

TEST(Y4mFiles, OnlyRegularFilesAreSources) {
    testing::TempDir dir;
    const std::string fifo = dir.file("pipe.y4m");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string error;
    // Opening a FIFO for reading would wait for a writer for ever.
    EXPECT_FALSE(vcard::Y4mSource::open(fifo, 60, error));
    EXPECT_EQ(error, fifo + ": not a regular file");
    EXPECT_FALSE(vcard::Y4mSource::open(dir.path(), 60, error));
    EXPECT_EQ(error, dir.path() + ": not a regular file");
}

TEST(Scaling, EachDirectionHasItsOwnFactor) {
    // 4 x 2 luminance, sample = 10 x row + column; 4:2:0 chroma of 2 x 1.
    const uint8_t y[] = {0, 1, 2, 3, 10, 11, 12, 13};
    const uint8_t u[] = {50, 51};
    const uint8_t v[] = {70, 71};
    const vcard::Planes in{y, u, v, 4, 2, 2, 1};
    {
        // Twice as wide, three times as tall.
        vcard::Picture out;
        out.resize(8, 6);
        vcard::scalePlanes(in, out);
        const std::vector<uint8_t> luma = {
            0,  0,  1,  1,  2,  2,  3,  3,   //
            0,  0,  1,  1,  2,  2,  3,  3,   //
            0,  0,  1,  1,  2,  2,  3,  3,   //
            10, 10, 11, 11, 12, 12, 13, 13,  //
            10, 10, 11, 11, 12, 12, 13, 13,  //
            10, 10, 11, 11, 12, 12, 13, 13,
        };
        EXPECT_EQ(out.y, luma);
        for (int row = 0; row < 6; ++row) {
            const auto at = [row](const std::vector<uint8_t>& plane) {
                return std::vector<uint8_t>(plane.begin() + row * 4, plane.begin() + row * 4 + 4);
            };
            EXPECT_EQ(at(out.u), (std::vector<uint8_t>{50, 50, 51, 51})) << "row " << row;
            EXPECT_EQ(at(out.v), (std::vector<uint8_t>{70, 70, 71, 71})) << "row " << row;
        }
    }
    {
        // Half as wide, twice as tall.
        vcard::Picture out;
        out.resize(2, 4);
        vcard::scalePlanes(in, out);
        EXPECT_EQ(out.y, (std::vector<uint8_t>{0, 2, 0, 2, 10, 12, 10, 12}));
        EXPECT_EQ(out.u, (std::vector<uint8_t>{50, 50, 50, 50}));
    }
}

std::vector<uint8_t> encodeJpeg(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    jpeg_compress_struct info{};
    jpeg_error_mgr err{};
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &mem, &size);
    info.image_width = JDIMENSION(w);
    info.image_height = JDIMENSION(h);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(size_t(w) * 3);
    for (int x = 0; x < w; ++x) {
        row[size_t(x) * 3] = r;
        row[size_t(x) * 3 + 1] = g;
        row[size_t(x) * 3 + 2] = b;
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> out(mem, mem + size);
    jpeg_destroy_compress(&info);
    free(mem);
    return out;
}

TEST(CameraFrames, MjpegDecodesToLumaAndChroma) {
    const auto jpeg = encodeJpeg(64, 48, 255, 255, 255);
    vcard::Picture p;
    ASSERT_TRUE(vcard::decodeJpeg(jpeg.data(), jpeg.size(), p));
    EXPECT_EQ(p.width, 64);
    EXPECT_EQ(p.height, 48);
    EXPECT_NEAR(p.y[100], 255, 2);
    EXPECT_NEAR(p.u[100], 128, 2);
    const auto broken = std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + 40);
    EXPECT_FALSE(vcard::decodeJpeg(broken.data(), broken.size(), p));
}

TEST(CameraFrames, AMissingCameraShowsBlack) {
    vcard::V4l2Source source("/dev/zelkor-no-such-camera", 60);
    EXPECT_FALSE(source.streaming());
    vcard::Picture p;
    p.resize(720, 240);
    p.y.assign(p.y.size(), 99);
    source.render(0, p);
    EXPECT_EQ(p.y[1000], 16);
}

TEST(CameraFrames, WhatIsNoCameraDeliversNoPicture) {
    testing::TempDir dir;
    const std::string plain = dir.write("camera.txt", "not a camera");
    for (const std::string& device :
         {std::string("/dev/video99"), std::string("/dev/null"), plain}) {
        vcard::V4l2Source source(device, 60);
        EXPECT_FALSE(source.hasPicture()) << device;
    }
    // Nor does it keep the file it tried, which may then be written.
    struct stat st {};
    ASSERT_EQ(stat("/dev/null", &st), 0);
    EXPECT_FALSE(
        vcard::V4l2Source("/dev/null", 60).readsFile({uint64_t(st.st_dev), uint64_t(st.st_ino)}));
}

TEST(CameraFrames, ARealCameraDeliversPictures) {
    std::string device;
    for (int i = 0; i < 10 && device.empty(); ++i) {
        const std::string d = "/dev/video" + std::to_string(i);
        if (std::filesystem::exists(d)) {
            device = d;
        }
    }
    if (device.empty()) {
        GTEST_SKIP() << "no /dev/video* on this machine";
    }
    vcard::V4l2Source source(device, 60);
    if (!source.streaming()) {
        GTEST_SKIP() << device << " gives no YUYV or MJPEG stream";
    }
    vcard::Picture p;
    p.resize(720, 240);
    bool seen = false;
    for (int i = 0; i < 50 && !seen; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        source.render(0, p);
        seen = std::any_of(p.u.begin(), p.u.end(), [](uint8_t v) { return v != 128; }) ||
               std::any_of(p.y.begin(), p.y.end(), [](uint8_t v) { return v != 16; });
    }
    EXPECT_TRUE(seen) << "no picture from " << device << " within 5 s";
}

}  // namespace
}  // namespace zelkor
