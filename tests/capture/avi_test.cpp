// Clips as files: what an unfinished clip holds, odd chunk sizes, the header
// fields rewritten as a clip grows, and the reader on damaged input.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "formats/byte_order.h"
#include "tests/capture/capture_rig.h"
#include "vcard/avi_reader.h"
#include "vcard/avi_writer.h"
#include "vcard/chunk_writer.h"
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

// The header fields that grow with the clip, at their places in the file:
// frames in both headers, the largest chunk in both, the data rate, and the
// index flag once the index is there.
TEST(AviWriter, FinishRewritesEveryGrowingHeaderField) {
    TempDir dir;
    const std::string path = dir.file("fields.avi");
    vcard::AviWriter writer;
    ASSERT_TRUE(writer.open(path, {160, 120, 40000, 100, vcard::kAviMaxBytes}));
    const std::vector<uint8_t> small = greyJpeg(20);
    const std::vector<uint8_t> large = greyJpeg(140);
    ASSERT_EQ(writer.addFrame(small), vcard::AviWriter::Added::Ok);
    ASSERT_EQ(writer.addFrame(large), vcard::AviWriter::Added::Ok);
    ASSERT_EQ(writer.addFrame(small), vcard::AviWriter::Added::Ok);
    ASSERT_TRUE(writer.finish());

    const std::vector<uint8_t> bytes = readAll(path);
    vcard::AviInfo info;
    std::string reason;
    ASSERT_TRUE(vcard::readAvi(bytes, info, reason)) << reason;
    ASSERT_EQ(info.frames.size(), 3u);
    const vcard::AviFrameChunk& last = info.frames.back();
    const uint64_t moviBytes = last.offset + last.size + last.size % 2 - info.moviStart;
    const uint32_t largest = uint32_t(std::max(small.size(), large.size()));

    // RIFF, LIST hdrl and the avih chunk header come first; then the 56
    // bytes of avih, LIST strl and the strh chunk header.
    constexpr size_t avih = 12 + 12 + 8;
    constexpr size_t strh = avih + 56 + 12 + 8;
    ASSERT_EQ(formats::getLe32(bytes, avih - 8), formats::fourcc("avih"));
    ASSERT_EQ(formats::getLe32(bytes, strh - 8), formats::fourcc("strh"));
    EXPECT_EQ(formats::getLe32(bytes, avih + 4), moviBytes * 1000000 / (3 * 40000));
    EXPECT_EQ(formats::getLe32(bytes, avih + 12), 0x10u);  // idx1 follows
    EXPECT_EQ(formats::getLe32(bytes, avih + 16), 3u);
    EXPECT_EQ(formats::getLe32(bytes, avih + 28), largest + 8);
    EXPECT_EQ(formats::getLe32(bytes, strh + 32), 3u);
    EXPECT_EQ(formats::getLe32(bytes, strh + 36), largest + 8);
    EXPECT_EQ(info.compression, formats::fourcc("MJPG"));
    EXPECT_EQ(info.bitCount, 24);
    EXPECT_EQ(info.width, 160u);
}

// A field is rewritten only through the handle its write gave; one that
// refers to nothing fails the file instead of going unnoticed.
TEST(ChunkWriter, PatchesTheFieldsItWroteAndFailsOnOthers) {
    TempDir dir;
    vcard::ChunkWriter out;
    ASSERT_TRUE(out.open(dir.file("fields.riff")));
    out.beginChunk(formats::fourcc("test"));
    out.u16(0x0201);
    const vcard::ChunkWriter::Field count = out.field32(0);
    out.u16(0x0403);
    out.end();
    EXPECT_TRUE(out.patch(count, 0xA1B2C3D4));
    ASSERT_TRUE(out.close());
    EXPECT_EQ(
        readAll(dir.file("fields.riff")),
        (std::vector<uint8_t>{'t', 'e', 's', 't', 8, 0, 0, 0, 1, 2, 0xD4, 0xC3, 0xB2, 0xA1, 3, 4}));

    vcard::ChunkWriter other;
    ASSERT_TRUE(other.open(dir.file("other.riff")));
    other.u32(0);
    EXPECT_FALSE(other.patch(vcard::ChunkWriter::Field{}, 1));
    EXPECT_FALSE(other.ok());
    EXPECT_FALSE(other.close());
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
