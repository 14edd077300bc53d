#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "formats/bmp_file.h"
#include "tests/support/temp_dir.h"
#include "vorrak/detection/frame_bitmap.h"
#include "vorrak/webpage/page_picture.h"
#include "vorrak/webpage/status_page.h"

namespace zelkor {
namespace {

using namespace vorrak::webpage;
using testing::TempDir;
namespace fs = std::filesystem;

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A bottom-up bitmap file: 8 bits with a grey table, or 24; `rows` as stored.
std::vector<uint8_t> bitmap(int32_t width, int32_t height, uint16_t bits,
                            const std::vector<uint8_t>& rows) {
    formats::BitmapInfoHeader info;
    info.width = width;
    info.height = height;
    info.bitCount = bits;
    std::vector<uint8_t> table;
    for (int i = 0; bits == 8 && i < 256; ++i) {
        table.insert(table.end(), {uint8_t(i), uint8_t(i), uint8_t(i), 0});
    }
    auto file = formats::encodeBmpHead(info, table, uint32_t(rows.size()));
    file.insert(file.end(), rows.begin(), rows.end());
    return file;
}

TEST(PagePlaces, FollowTheStoredName) {
    vorrak::Settings settings;
    settings.WORKINGDIR = "/w";
    std::string error;
    const auto place = [&](const std::string& name) {
        settings.WEBPAGEFILENAME = name;
        const auto p = PagePlacesOf(settings, &error);
        return p ? p->directory + "|" + p->pageName + "|" + p->folderName : "none";
    };
    EXPECT_EQ(place(""), "/w|Oculara.html|Oculara.html.files");
    EXPECT_EQ(place("site/status.html"), "/w/site|status.html|status.html.files");
    EXPECT_EQ(place("/srv/www/cam.html"), "/srv/www|cam.html|cam.html.files");
    EXPECT_EQ(place("/top.html"), "/|top.html|top.html.files");
    EXPECT_EQ(place("/srv/www/"), "none");
    EXPECT_EQ(place("/srv/.."), "none");
}

// Rows come out top first and as red, green, blue; a grey table stays one
// byte a pixel; rows that would run past the file are refused.
TEST(PagePicture, ReadsBitmapsTheWayTheyAreStored) {
    const auto colour = decodeBitmapFile(bitmap(1, 2, 24, {1, 2, 3, 0, 4, 5, 6, 0}));
    ASSERT_TRUE(colour);
    EXPECT_FALSE(colour->grey);
    EXPECT_EQ(colour->pixels, (std::vector<uint8_t>{6, 5, 4, 3, 2, 1}));

    auto grey = bitmap(4, 2, 8, {10, 20, 30, 40, 50, 60, 70, 80});
    const auto picture = decodeBitmapFile(grey);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(picture->grey);
    EXPECT_EQ(lowerRows(*picture, 1).pixels, (std::vector<uint8_t>{10, 20, 30, 40}));
    EXPECT_EQ(halve(*picture).pixels, (std::vector<uint8_t>{35, 55}));
    grey.pop_back();
    EXPECT_FALSE(decodeBitmapFile(grey));
}

class PageWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(writer.open({dir.path(), "page.html", "page.html.files"}, 3, &error)) << error;
    }
    std::string event(uint32_t n) {
        // Two frames of 4 x 2, the newer one stored first.
        const std::vector<uint8_t> rows(16, uint8_t(n * 40));
        const auto bytes = bitmap(4, 4, 8, rows);
        return dir.write("error" + std::to_string(n) + ".bmp",
                         std::string(bytes.begin(), bytes.end()));
    }
    fs::path files() const { return fs::path(dir.path()) / "page.html.files"; }

    TempDir dir;
    PageWriter writer;
    std::string error;
};

// An event is listed only with its pictures; those of an event that dropped
// out of the list go; the live frame becomes a picture too.
TEST_F(PageWriterTest, ListsWhatItHasPicturesOf) {
    PageInput input;
    input.state = {"Guarding", "12:00:00", 3, "", 0, true};
    input.events = {{3, "third", dir.file("missing.bmp"), ""},
                    {2, "second", event(2), dir.file("2000.1.1_0.0.0/clip 2.avi")},
                    {1, "first", event(1), "/elsewhere/clip1.avi"}};
    vorrak::LastFrameRead last;
    auto frame = std::make_shared<vorrak::FrameImage>();
    ASSERT_EQ(vorrak::ParseFrameBitmap(bitmap(4, 2, 8, std::vector<uint8_t>(8, 9)), *frame, last),
              vorrak::kFrameReadOk);
    input.live = frame;
    ::testing::internal::CaptureStderr();
    writer.finish(input);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("missing.bmp"), std::string::npos);

    std::string page = readText(fs::path(dir.path()) / "page.html");
    EXPECT_EQ(page.find("third"), std::string::npos);
    EXPECT_LT(page.find("second"), page.find("first"));
    EXPECT_NE(page.find("href=\"2000.1.1_0.0.0/clip%202.avi\""), std::string::npos);
    EXPECT_EQ(page.find("clip1.avi"), std::string::npos) << "outside the page's reach";
    EXPECT_NE(page.find("src=\"page.html.files/live.jpg?v=1\""), std::string::npos);
    for (const char* name : {"event-1.jpg", "event-1-thumb.jpg", "event-2.jpg", "live.jpg"}) {
        EXPECT_EQ(readText(files() / name).substr(0, 2), "\xFF\xD8") << name;
    }

    input.events.pop_back();
    writer.finish(input);
    EXPECT_FALSE(fs::exists(files() / "event-1.jpg"));
    EXPECT_FALSE(fs::exists(files() / "event-1-thumb.jpg"));
    page = readText(fs::path(dir.path()) / "page.html");
    EXPECT_EQ(page.find("first"), std::string::npos);
    EXPECT_NE(page.find("second"), std::string::npos);
}

// A file of someone else's at the page's name is never replaced, and a hard
// link planted at a temporary name is not written through.
TEST_F(PageWriterTest, WritesNothingButItsOwnFiles) {
    const std::string notes = dir.write("notes.html", "my notes");
    PageWriter other;
    EXPECT_FALSE(other.open({dir.path(), "notes.html", "notes.html.files"}, 3, &error));
    EXPECT_EQ(readText(notes), "my notes");
    EXPECT_FALSE(fs::exists(dir.file("notes.html.files")));

    const std::string secret = dir.write("secret.txt", "secret");
    fs::create_hard_link(secret, files() / (".live.jpg.tmp-" + std::to_string(::getpid())));
    PageFolder folder;
    ASSERT_TRUE(folder.open(files().string(), &error)) << error;
    ASSERT_TRUE(folder.write("live.jpg", "picture", &error)) << error;
    EXPECT_EQ(readText(secret), "secret");
    EXPECT_EQ(readText(files() / "live.jpg"), "picture");
}

}  // namespace
}  // namespace zelkor
