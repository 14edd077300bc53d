#include "vorrak/detection/frame_bitmap.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "formats/byte_order.h"
#include "platform/fake/recording_ui.h"
#include "tests/guard/bitmap_builder.h"
#include "tests/support/temp_dir.h"

namespace zelkor::vorrak {
namespace {

namespace bih = formats::bitmap_field;
using testing::BitmapLayout;
using testing::makeBitmap;
using testing::setU32;
using zelkor::testing::readFile;
using zelkor::testing::TempDir;

// Reads `bytes` both from a file and from memory; both ways must agree.
uint32_t readBoth(const std::vector<uint8_t>& bytes, FrameImage& frame, LastFrameRead& last) {
    TempDir dir;
    FrameImage fromMemory;
    LastFrameRead lastFromMemory = last;
    const uint32_t parsed = ParseFrameBitmap(bytes, fromMemory, lastFromMemory);
    const uint32_t read = ReadFrameBitmap(dir.write("frame.bmp", bytes), frame, last);
    EXPECT_EQ(parsed, read);
    EXPECT_EQ(lastFromMemory.colourCount, last.colourCount);
    return read;
}

TEST(ReadFrameBitmap, ReadsAGuardFrameAndPublishesIt) {
    const std::vector<uint8_t> file = makeBitmap({});
    FrameImage frame;
    LastFrameRead last;
    ASSERT_EQ(readBoth(file, frame, last), kFrameReadOk);

    EXPECT_EQ(frame.width, 352);
    EXPECT_EQ(frame.height, 288);
    EXPECT_EQ(frame.colourCount, 256u);
    EXPECT_EQ(frame.colourTable(), frame.header() + 40);
    EXPECT_EQ(frame.pixels().data(), frame.header() + 40 + 1024);
    ASSERT_EQ(frame.pixels().size(), 352u * 288u);
    EXPECT_TRUE(std::equal(frame.pixels().begin(), frame.pixels().end(), file.begin() + 14 + 1064));
    // The zero colours-used and image-size fields are filled in.
    EXPECT_EQ(frame.header()[bih::ClrUsed + 1], 1);  // 256
    const std::vector<uint8_t> header(frame.header(), frame.header() + 40);
    EXPECT_EQ(formats::getLe32(header, bih::SizeImage), 352u * 288u);

    EXPECT_TRUE(last.valid);
    EXPECT_EQ(last.width, 352);
    EXPECT_EQ(last.height, 288);
    EXPECT_EQ(last.colourCount, 256u);
    EXPECT_TRUE(std::equal(last.header.begin(), last.header.end(), frame.header()));
    ASSERT_EQ(last.colourTable.size(), 1024u);
    EXPECT_EQ(last.colourTable[4 * 200], 200);
}

// A failed read must leave both the caller's frame and the published record
// of the frame before untouched.
TEST(ReadFrameBitmap, FailuresChangeNothing) {
    FrameImage frame;
    LastFrameRead last;
    ASSERT_EQ(readBoth(makeBitmap({.width = 64, .height = 48}), frame, last), kFrameReadOk);
    const uint8_t* block = frame.block.get();
    TempDir dir;
    EXPECT_EQ(ReadFrameBitmap(dir.file("work0.bmp"), frame, last), kFrameOpenFailed);

    const std::vector<uint8_t> good = makeBitmap({});
    std::vector<uint8_t> mb = good;
    mb[0] = 'M';
    mb[1] = 'B';
    EXPECT_EQ(readBoth(mb, frame, last), kFrameBadFormat);

    // A half-written work file: the size field promises more than is there.
    std::vector<uint8_t> cut(good.begin(), good.end() - 1);
    EXPECT_EQ(readBoth(cut, frame, last), kFrameReadFailed);
    EXPECT_EQ(readBoth(std::vector<uint8_t>(good.begin(), good.begin() + 10), frame, last),
              kFrameReadFailed);
    EXPECT_EQ(readBoth({}, frame, last), kFrameReadFailed);

    EXPECT_EQ(frame.block.get(), block);
    EXPECT_EQ(frame.width, 64);
    EXPECT_EQ(last.width, 64);
    EXPECT_EQ(last.height, 48);
}

TEST(ReadFrameBitmap, RefusesFilesThatDoNotFitTheirBlock) {
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
    };
    const auto patched = [](BitmapLayout layout, size_t at, uint32_t value) {
        std::vector<uint8_t> file = makeBitmap(layout);
        setU32(file, at, value);
        return file;
    };
    const auto shortened = [](BitmapLayout layout, size_t by) {
        std::vector<uint8_t> file = makeBitmap(layout);
        file.resize(file.size() - by);
        setU32(file, 2, static_cast<uint32_t>(file.size()));
        return file;
    };
    const std::vector<Case> cases = {
        {"core header of 12 bytes", makeBitmap({.headerSize = 12, .tableEntries = 0})},
        {"header size beyond the block", patched({}, 14, 200000)},
        {"colour count beyond the block", makeBitmap({.coloursUsed = 30000})},
        {"colour count that overflows 4 x count", makeBitmap({.coloursUsed = 0x40000001})},
        {"width 353", makeBitmap({.width = 353})},
        {"height 289", makeBitmap({.height = 289})},
        {"width 0", makeBitmap({.width = 0})},
        {"height 0", makeBitmap({.height = 0})},
        {"negative width", makeBitmap({.width = -352})},
        {"top-down rows", makeBitmap({.height = -288})},
        {"image size beyond the block", makeBitmap({.imageSize = 352 * 288 + 1})},
        {"pixel rows beyond the block", shortened({}, 352)},
        {"no room for the information header", patched({}, 2, 14 + 39)},
        {"size field below the file header", patched({}, 2, 3)},
        {"size field far beyond any frame", patched({}, 2, 0xFFFFFFFF)},
    };
    for (const Case& c : cases) {
        FrameImage frame;
        LastFrameRead last;
        EXPECT_EQ(readBoth(c.file, frame, last), kFrameBadFormat) << c.what;
        EXPECT_FALSE(last.valid) << c.what;
    }
}

// Read in this order: a small bit count without a colours-used field keeps
// the count of the frame before.
TEST(ReadFrameBitmap, ColourCountFollowsBitCountAndColoursUsed) {
    struct Step {
        uint16_t bitCount;
        uint32_t coloursUsed;
        uint32_t colourCount;
    };
    const Step steps[] = {{24, 0, 0}, {2, 0, 0},   {1, 0, 2},   {4, 0, 16},
                          {2, 0, 16}, {8, 0, 256}, {8, 16, 16}, {24, 3, 3}};
    FrameImage frame;
    LastFrameRead last;
    for (const Step& step : steps) {
        const BitmapLayout layout{.width = 64,
                                  .height = 48,
                                  .bitCount = step.bitCount,
                                  .coloursUsed = step.coloursUsed,
                                  .tableEntries = step.colourCount};
        ASSERT_EQ(readBoth(makeBitmap(layout), frame, last), kFrameReadOk) << step.bitCount;
        EXPECT_EQ(frame.colourCount, step.colourCount) << step.bitCount;
        EXPECT_EQ(frame.pixels().data(), frame.header() + 40 + 4 * step.colourCount);
        EXPECT_EQ(frame.colourTable() == nullptr, step.colourCount == 0);
        EXPECT_EQ(last.colourTable.size(), 4 * step.colourCount);
    }
}

// Files an outside program wrote, with the codes the guard engine gives them.
class ImageMagickFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::system("convert -version >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "ImageMagick convert is not installed";
        }
    }
    std::string convert(const std::string& args, const std::string& name) {
        const std::string path = dir.file(name);
        const std::string command = "convert " + args + path + " 2>/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return path;
    }
    TempDir dir;
};

TEST_F(ImageMagickFiles, AreReadWithTheRightCodes) {
    struct Case {
        const char* args;
        uint32_t code;
        uint32_t colours;
        uint32_t headerSize;
    };
    const std::string grey = "-size 352x288 gradient: -type Palette -depth 8 -compress none";
    const std::vector<Case> cases = {
        {"-size 64x48 pattern:checkerboard -monochrome BMP3:", kFrameReadOk, 2, 40},
        {"-size 64x48 plasma:fractal -colors 16 -type Palette -compress none BMP3:", kFrameReadOk,
         16, 40},
        {"-size 352x288 gradient: -type Palette -depth 8 -compress none BMP3:", kFrameReadOk, 256,
         40},
        {"-size 352x288 gradient: -type Palette -depth 8 -compress none BMP:", kFrameReadOk, 256,
         124},
        {"-size 352x288 gradient: -type Palette -depth 8 -compress none -define bmp:format=bmp4 "
         "BMP:",
         kFrameReadOk, 256, 0},
        {"-size 64x48 plasma:fractal -type TrueColor BMP3:", kFrameReadOk, 0, 40},
        {"-size 64x48 plasma:fractal -type TrueColor BMP:", kFrameReadOk, 0, 124},
        // Run-length encoded rows do not fill the block their header describes.
        {"-size 352x288 gradient: -type Palette -depth 8 -compress RLE BMP3:", kFrameBadFormat, 0,
         0},
        {"-size 352x240 gradient: -type Palette -depth 8 BMP2:", kFrameBadFormat, 0, 0},
        {"-size 400x300 gradient: -type Palette -depth 8 -compress none BMP3:", kFrameBadFormat, 0,
         0},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string path = convert(c.args, "f" + std::to_string(n++) + ".bmp");
        FrameImage frame;
        LastFrameRead last;
        EXPECT_EQ(ReadFrameBitmap(path, frame, last), c.code) << c.args;
        if (c.code == kFrameReadOk) {
            EXPECT_EQ(frame.colourCount, c.colours) << c.args;
            if (c.headerSize != 0) {
                EXPECT_EQ(frame.colourTableOffset, c.headerSize) << c.args;
            }
        }
    }
}

TEST_F(ImageMagickFiles, RowsAreReadBottomUp) {
    // White at the top fading to black at the bottom: the first row in
    // memory is the bottom one.
    const std::string path =
        convert("-size 352x288 gradient:white-black -type Palette -depth 8 -compress none BMP3:",
                "gradient.bmp");
    FrameImage frame;
    LastFrameRead last;
    ASSERT_EQ(ReadFrameBitmap(path, frame, last), kFrameReadOk);
    ASSERT_EQ(frame.colourCount, 256u);
    const uint8_t bottom = frame.pixels()[0];
    const uint8_t top = frame.pixels()[352 * 287];
    EXPECT_LT(frame.colourTable()[4 * bottom], 8);
    EXPECT_GT(frame.colourTable()[4 * top], 247);
}

// --- the event bitmap ---

struct ReadFrames {
    FrameImage frame;
    LastFrameRead last;
    std::vector<uint8_t> earlier;
    std::vector<uint8_t> newer;
};

ReadFrames twoFrames(const BitmapLayout& layout) {
    ReadFrames r;
    TempDir dir;
    EXPECT_EQ(ReadFrameBitmap(dir.write("work0.bmp", makeBitmap(layout)), r.frame, r.last),
              kFrameReadOk);
    const size_t bytes = size_t(layout.width) * size_t(layout.height);
    r.earlier.assign(bytes, 10);
    r.newer.assign(bytes, 200);
    return r;
}

TEST(WriteEventBitmap, WritesBothFramesNewerRowsFirst) {
    TempDir dir;
    platform::RecordingUi ui;
    ReadFrames r = twoFrames({.width = 352, .height = 240});
    r.newer[0] = 77;
    const std::string path = dir.file("error1.bmp");
    ASSERT_EQ(
        WriteEventBitmap({dir.path(), "error", 1, "bmp"}, r.earlier, r.newer, r.last, 352, 240, ui),
        path);
    EXPECT_TRUE(ui.boxes.empty());

    const std::vector<uint8_t> bytes = readFile(path);
    const size_t frameBytes = 352 * 240;
    ASSERT_EQ(bytes.size(), 54 + 1024 + 2 * frameBytes);
    EXPECT_EQ(formats::getLe32(bytes, 2), bytes.size());
    EXPECT_EQ(formats::getLe32(bytes, 10), 54u + 1024u);
    EXPECT_EQ(formats::getLe32(bytes, 14 + bih::Height), 480u);
    EXPECT_EQ(formats::getLe32(bytes, 14 + bih::SizeImage), 2 * frameBytes);
    EXPECT_EQ(bytes[54 + 1024], 77);
    EXPECT_EQ(bytes[54 + 1024 + frameBytes - 1], 200);
    EXPECT_EQ(bytes[54 + 1024 + frameBytes], 10);

    // Written twice from the same frames: the same bytes.
    const std::string again = dir.file("error2.bmp");
    ASSERT_EQ(
        WriteEventBitmap({dir.path(), "error", 2, "bmp"}, r.earlier, r.newer, r.last, 352, 240, ui),
        again);
    EXPECT_EQ(readFile(again), bytes);
}

TEST(WriteEventBitmap, OutsideViewerAcceptsIt) {
    if (std::system("identify -version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "ImageMagick identify is not installed";
    }
    TempDir dir;
    platform::RecordingUi ui;
    // A frame with a 124-byte header: the event bitmap still carries 40.
    for (const uint32_t headerSize : {40u, 124u}) {
        for (const int32_t height : {240, 288}) {
            ReadFrames r = twoFrames({.headerSize = headerSize, .width = 352, .height = height});
            const auto path = WriteEventBitmap({dir.path(), "event", 1, "bmp"}, r.earlier, r.newer,
                                               r.last, 352, height, ui);
            ASSERT_TRUE(path);
            const std::string out = dir.file("identify.txt");
            const std::string command = "identify -format '%w %h %z' " + *path + " > " + out;
            ASSERT_EQ(std::system(command.c_str()), 0);
            const std::vector<uint8_t> text = readFile(out);
            EXPECT_EQ(std::string(text.begin(), text.end()),
                      "352 " + std::to_string(2 * height) + " 8")
                << headerSize;
        }
    }
}

// The picture's name is claimed before its file exists, never a name that is
// held, and withdrawn when someone makes the file first.
TEST(WriteEventBitmap, ClaimsItsNameBeforeTheFileIsMade) {
    TempDir dir;
    platform::RecordingUi ui;
    ReadFrames r = twoFrames({.width = 352, .height = 240});
    std::filesystem::create_symlink(dir.file("victim"), dir.file("error1.bmp"));
    std::vector<std::pair<std::string, bool>> claims;
    const auto written =
        WriteEventBitmap({dir.path(), "error", 1, "bmp"}, r.earlier, r.newer, r.last, 352, 240, ui,
                         [&](const std::string& path, bool taken) {
                             EXPECT_EQ(std::filesystem::exists(path), !taken) << path;
                             claims.emplace_back(path, taken);
                             if (path == dir.file("error2.bmp") && taken) {
                                 std::ofstream(path) << "made by someone else first";
                             }
                         });
    EXPECT_EQ(written, dir.file("error3.bmp"));
    EXPECT_EQ(claims, (std::vector<std::pair<std::string, bool>>{{dir.file("error2.bmp"), true},
                                                                 {dir.file("error2.bmp"), false},
                                                                 {dir.file("error3.bmp"), true}}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("victim")));
}

// Each failure is the same message to the user, and leaves no file.
TEST(WriteEventBitmap, ReportsWhatItCannotWrite) {
    TempDir dir;
    platform::RecordingUi ui;
    ReadFrames r = twoFrames({.width = 352, .height = 288});
    EXPECT_FALSE(WriteEventBitmap({dir.file("no/such/folder"), "error", 1, "bmp"}, r.earlier,
                                  r.newer, r.last, 352, 288, ui));
    const platform::NumberedName name{dir.path(), "error", 1, "bmp"};
    const std::string path = name.path();
    EXPECT_FALSE(WriteEventBitmap(name, r.earlier, r.newer, LastFrameRead{}, 352, 288, ui));
    r.earlier.resize(352 * 240);  // smaller than the last frame read
    EXPECT_FALSE(WriteEventBitmap(name, r.earlier, r.newer, r.last, 352, 288, ui));
    EXPECT_FALSE(std::filesystem::exists(path));
    ASSERT_EQ(ui.boxes.size(), 3u);
    for (const platform::RecordedBox& box : ui.boxes) {
        EXPECT_EQ(box.text, "Error write bitmap file...");
        EXPECT_EQ(box.title, "Zelkor Oculara");
        EXPECT_EQ(box.style, platform::mb::ICONHAND | platform::mb::TOPMOST);
    }
}

// A disk that fills up mid-write must not leave a cut-off picture behind:
// the name the event took stays empty, and no temporary file is left.
TEST(WriteEventBitmap, LeavesNoPartlyWrittenPicture) {
    TempDir dir;
    ReadFrames r = twoFrames({.width = 352, .height = 288});
    const std::string path = dir.file("error1.bmp");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{50000, 50000};
        setrlimit(RLIMIT_FSIZE, &limit);
        platform::RecordingUi ui;
        const bool ok = WriteEventBitmap({dir.path(), "error", 1, "bmp"}, r.earlier, r.newer,
                                         r.last, 352, 288, ui)
                            .has_value();
        _exit(!ok && ui.boxes.size() == 1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "no temporary file";
}

}  // namespace
}  // namespace zelkor::vorrak
