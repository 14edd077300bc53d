#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "tests/support/temp_dir.h"
#include "vorrak/webpage/page_folder.h"
#include "vorrak/webpage/page_html.h"

namespace zelkor {
namespace {

using namespace vorrak::webpage;
using testing::TempDir;

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

size_t count(const std::string& text, std::string_view what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

// Texts from files and settings reach the page as text, never as markup,
// in element text and in attributes alike; Latin-1 becomes UTF-8.
TEST(StatusPage, ShowsEveryTextAsItIs) {
    EXPECT_EQ(escapeHtml("a&<b>\"c'"), "a&amp;&lt;b&gt;&quot;c&#39;");
    EXPECT_EQ(escapeHtml("Gr\xFC\xDF"), "Gr\xC3\xBC\xC3\x9F");
    EXPECT_EQ(escapeHtml(std::string_view("a\0b\x07", 4)), "a b ");

    PageState state{"Guarding", "12:00:05", 1, "a&<b>/live.jpg", 7, true};
    const std::string page = buildPage(
        state, {{"Detect <b>x</b>", "a&<b>/e1.jpg", "a&<b>/t1.jpg", "a\"onload=\"x.avi"}}, 5);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_EQ(page.find("\"onload"), std::string::npos);
    EXPECT_NE(page.find("src=\"a&amp;&lt;b&gt;/live.jpg?v=7\""), std::string::npos);
    EXPECT_NE(page.find("<meta http-equiv=\"refresh\" content=\"5\">"), std::string::npos);
    EXPECT_NE(page.find("Guarding since 12:00:05, events this run: 1"), std::string::npos);
    EXPECT_EQ(page.find("id=\"taken\""), std::string::npos) << "no time, no caption";

    // A page left behind by a program that ended does not reload itself.
    state.running = false;
    state.state = "stopped at 12:30:00";
    EXPECT_EQ(buildPage(state, {}, 5).find("refresh"), std::string::npos);
}

TEST(StatusPage, ListsTheNewestFiftyEvents) {
    std::vector<PageEvent> events;
    for (int i = 60; i >= 1; --i) {
        events.push_back({"Event " + std::to_string(i) + ";", "e.jpg", "t.jpg", ""});
    }
    const std::string page = buildPage({"Guarding", "", 60, "", 0, true}, events, 2);
    EXPECT_EQ(count(page, "<li>"), 50u);
    EXPECT_LT(page.find("Event 60;"), page.find("Event 11;"));
    EXPECT_EQ(page.find("Event 10;"), std::string::npos);
    EXPECT_EQ(count(page, "clip</a>"), 0u) << "no clip, no link";
}

// Old pictures go, and nothing else: not a file of another name, not what a
// link leads to, not a folder; a link under a picture's name is replaced,
// not written through.
TEST(PageFolder, WritesAndPrunesOnlyItsOwnFiles) {
    TempDir dir;
    const std::filesystem::path folder = dir.file("Oculara.html.files");
    PageFolder files;
    std::string error;
    ASSERT_TRUE(files.open(folder.string(), &error)) << error;
    const std::string victim = dir.write("victim.txt", "keep me");
    std::filesystem::create_symlink(victim, folder / "event1.jpg");
    std::filesystem::create_directory(folder / "event9.jpg");
    ASSERT_TRUE(files.write("event1.jpg", "one", &error)) << error;
    ASSERT_TRUE(files.write("event2.jpg", "two", &error)) << error;
    ASSERT_TRUE(files.write("live.jpg", "now", &error)) << error;
    EXPECT_EQ(readText(victim), "keep me");
    EXPECT_FALSE(std::filesystem::is_symlink(folder / "event1.jpg"));
    std::filesystem::create_symlink(victim, folder / "event3.jpg");

    files.prune("event", {"event2.jpg"});
    EXPECT_FALSE(std::filesystem::exists(folder / "event1.jpg"));
    EXPECT_FALSE(std::filesystem::is_symlink(folder / "event3.jpg"));
    EXPECT_EQ(readText(folder / "event2.jpg"), "two");
    EXPECT_EQ(readText(folder / "live.jpg"), "now");
    EXPECT_TRUE(std::filesystem::is_directory(folder / "event9.jpg"));
    EXPECT_EQ(readText(victim), "keep me");

    for (const char* bad : {"", ".", "..", "../victim.txt", "a/b"}) {
        EXPECT_FALSE(files.write(bad, "x", &error)) << bad;
    }
    EXPECT_EQ(readText(victim), "keep me");

    // A folder name that is a link to another folder is refused.
    std::filesystem::create_directory(dir.file("elsewhere"));
    std::filesystem::create_symlink(dir.file("elsewhere"), dir.file("linked.files"));
    PageFolder linked;
    EXPECT_FALSE(linked.open(dir.file("linked.files"), &error));
}

// A reader polling a picture while it is rewritten sees one whole version
// or another, never a mixture or a cut-off file.
TEST(PageFolder, AReaderNeverSeesHalfAFile) {
    TempDir dir;
    PageFolder files;
    std::string error;
    ASSERT_TRUE(files.open(dir.file("page.files"), &error)) << error;
    const std::string a(200000, 'a');
    const std::string b(100000, 'b');
    ASSERT_TRUE(files.write("live.jpg", a, &error));
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::atomic<int> reads{0};
    std::thread reader([&] {
        const auto path = std::filesystem::path(dir.file("page.files")) / "live.jpg";
        while (!done) {
            const std::string seen = readText(path);
            if (seen != a && seen != b) {
                ++torn;
            }
            ++reads;
        }
    });
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(files.write("live.jpg", i % 2 == 0 ? b : a, &error)) << error;
    }
    done = true;
    reader.join();
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
    EXPECT_GT(reads, 0);
}

}  // namespace
}  // namespace zelkor
