// Clips as files: what an unfinished clip holds, odd chunk sizes, and the
// reader on damaged input.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/capture/capture_rig.h"
#include "vcard/avi_reader.h"
#include "vcard/avi_writer.h"
#include "vcard/mjpeg.h"

namespace zelkor::test {
namespace {

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> greyJpeg(uint8_t level) {
    vcard::CaptureFrame f;
    f.width = 160;
    f.height = 120;
    f.y.assign(160 * 120, level);
    f.u.assign(80 * 120, 128);
    f.v.assign(80 * 120, 128);
    std::vector<uint8_t> out;
    EXPECT_TRUE(vcard::encodeJpeg(f, false, 80, out));
    return out;
}

TEST(AviWriter, AnUnfinishedClipTellsHowFarItGoes) {
    TempDir dir;
    const std::string path = dir.file("cut.avi");
    vcard::AviWriter writer;
    ASSERT_TRUE(writer.open(path, {160, 120, 40000, 10, vcard::kAviMaxBytes}));
    std::vector<uint8_t> jpeg = greyJpeg(90);
    for (int i = 0; i < 25; ++i) {
        ASSERT_EQ(writer.addFrame(jpeg), vcard::AviWriter::Added::Ok);
    }
    // What a crash now would leave: the headers as of frame 20, 25 frames.
    const std::vector<uint8_t> cut = readAll(path);
    vcard::AviInfo info;
    std::string reason;
    ASSERT_TRUE(vcard::readAvi(cut, info, reason)) << reason;
    EXPECT_EQ(info.totalFrames, 20u);
    EXPECT_FALSE(info.hasIndex);
    EXPECT_EQ(info.frames.size(), 25u);
    EXPECT_EQ(info.rate, 25u);
    const uint64_t moviEndAt20 = info.moviStart + info.moviSize;
    EXPECT_EQ(moviEndAt20, info.frames[19].offset + info.frames[19].size + jpeg.size() % 2);
    if (haveFfprobe()) {
        std::ofstream(dir.file("copy.avi"), std::ios::binary)
            .write(reinterpret_cast<const char*>(cut.data()), std::streamsize(cut.size()));
        const auto probe = probeClip(dir.file("copy.avi"));
        ASSERT_FALSE(probe.empty());
        EXPECT_EQ(probe.at("nb_read_frames"), "25");
    }
    ASSERT_TRUE(writer.finish());
    ASSERT_TRUE(vcard::readAvi(readAll(path), info, reason));
    EXPECT_EQ(info.totalFrames, 25u);
    EXPECT_EQ(info.index.size(), 25u);
}

TEST(AviWriter, PadsOddChunksAndIndexesTheirTrueSize) {
    TempDir dir;
    const std::string path = dir.file("odd.avi");
    vcard::AviWriter writer;
    ASSERT_TRUE(writer.open(path, {160, 120, 70000, 14, vcard::kAviMaxBytes}));
    std::vector<uint8_t> odd = greyJpeg(30);
    if (odd.size() % 2 == 0) {
        odd.push_back(0);  // decoders ignore bytes after the end marker
    }
    ASSERT_EQ(writer.addFrame(odd), vcard::AviWriter::Added::Ok);
    ASSERT_EQ(writer.addFrame(greyJpeg(200)), vcard::AviWriter::Added::Ok);
    ASSERT_TRUE(writer.finish());
    const std::vector<uint8_t> bytes = readAll(path);
    vcard::AviInfo info;
    std::string reason;
    ASSERT_TRUE(vcard::readAvi(bytes, info, reason));
    ASSERT_EQ(info.frames.size(), 2u);
    EXPECT_EQ(info.frames[0].size, odd.size());
    EXPECT_EQ(info.index[0].size, odd.size());
    EXPECT_EQ(info.frames[1].offset % 2, 0u);
    EXPECT_EQ(info.scale, 70000u);  // not a whole frame rate
    EXPECT_EQ(info.rate, 1000000u);
    EXPECT_EQ(bytes.size() % 2, 0u);
}

TEST(AviReader, RefusesOrStopsAtDamagedInput) {
    vcard::AviInfo info;
    std::string reason;
    EXPECT_FALSE(vcard::readAvi({}, info, reason));
    const std::vector<uint8_t> wave{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'};
    EXPECT_FALSE(vcard::readAvi(wave, info, reason));
    // A movi chunk claiming more than the file holds.
    std::vector<uint8_t> b{'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0xFF, 'A',  'V', 'I', ' ',
                           'L', 'I', 'S', 'T', 4,    0,    0,    0,    'h',  'd', 'r', 'l',
                           'L', 'I', 'S', 'T', 0xF0, 0xFF, 0xFF, 0xFF, 'm',  'o', 'v', 'i',
                           '0', '0', 'd', 'c', 0x00, 0x10, 0,    0,    0xFF, 0xD8};
    ASSERT_TRUE(vcard::readAvi(b, info, reason)) << reason;
    EXPECT_TRUE(info.truncated);
    EXPECT_TRUE(info.frames.empty());
}

}  // namespace
}  // namespace zelkor::test
