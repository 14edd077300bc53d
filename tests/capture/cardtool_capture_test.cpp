// cardtool's grab and record commands end to end, and what a recording
// killed in the middle leaves behind.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "tests/capture/capture_rig.h"
#include "vcard/avi_reader.h"
#include "vorrak/detection/frame_bitmap.h"

extern char** environ;

namespace zelkor::test {
namespace {

std::string cardtool() {
    const char* bin = std::getenv("ZELKOR_BIN_DIR");
    return std::string(bin ? bin : ".") + "/cardtool";
}

// Starts cardtool; a card configuration given becomes its $ZELKOR_VCARD.
pid_t start(std::vector<std::string> args, const std::string& cardConfig = {}) {
    args.insert(args.begin(), cardtool());
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    std::string vcard = "ZELKOR_VCARD=" + cardConfig;
    std::vector<char*> env;
    for (char** e = environ; *e != nullptr; ++e) {
        if (cardConfig.empty() || !std::string_view(*e).starts_with("ZELKOR_VCARD=")) {
            env.push_back(*e);
        }
    }
    if (!cardConfig.empty()) {
        env.push_back(vcard.data());
    }
    env.push_back(nullptr);
    pid_t pid = -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), env.data()) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The exit code, -1 for a crash; -2 when it did not end within `limit`
// (it is killed then).
int run(std::vector<std::string> args, const std::string& cardConfig = {},
        std::chrono::seconds limit = std::chrono::seconds(120)) {
    const pid_t pid = start(std::move(args), cardConfig);
    if (pid < 0) {
        return -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -2;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool readClip(const std::string& path, vcard::AviInfo& info) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    std::string reason;
    return vcard::readAvi(bytes, info, reason);
}

TEST(Cardtool, GrabsAFrameGuardModeReads) {
    TempDir dir;
    const std::string bmp = dir.file("frame.bmp");
    ASSERT_EQ(run({"grab", bmp}), 0);
    vorrak::FrameImage frame;
    vorrak::LastFrameRead last;
    ASSERT_EQ(vorrak::ReadFrameBitmap(bmp, frame, last), vorrak::kFrameReadOk);
    EXPECT_EQ(frame.width, 352);
    EXPECT_EQ(frame.height, 240);
    EXPECT_EQ(run({"grab", dir.file("no/such/dir.bmp")}), 1);
    EXPECT_EQ(run({"record", bmp, "0"}), 2);
    EXPECT_EQ(run({"record", bmp, "2", "--fps"}), 2);
}

TEST(Cardtool, RecordsTheLengthAtTheRate) {
    TempDir dir;
    const std::string clip = dir.file("clip.avi");
    ASSERT_EQ(run({"record", clip, "2", "--fps", "10"}), 0);
    vcard::AviInfo info;
    ASSERT_TRUE(readClip(clip, info));
    EXPECT_EQ(info.frames.size(), 20u);
    if (haveFfprobe()) {
        const auto probe = probeClip(clip);
        EXPECT_EQ(probe.at("codec_name"), "mjpeg");
        EXPECT_EQ(probe.at("r_frame_rate"), "10/1");
        EXPECT_EQ(probe.at("nb_read_frames"), "20");
    }
}

TEST(Cardtool, ARecordingKilledMidwayStillOpens) {
    TempDir dir;
    const std::string clip = dir.file("killed.avi");
    const pid_t pid = start({"record", clip, "60", "--fps", "30"});
    ASSERT_GT(pid, 0);
    // Wait until the headers were rewritten at least once (a second of
    // frames), then kill without warning.
    vcard::AviInfo info;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline &&
           !(readClip(clip, info) && info.totalFrames >= 45)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status));

    ASSERT_TRUE(readClip(clip, info));
    EXPECT_FALSE(info.hasIndex);
    EXPECT_GE(info.totalFrames, 45u);
    EXPECT_GE(info.frames.size(), info.totalFrames);
    if (!haveFfprobe()) {
        GTEST_SKIP() << "ffprobe is not installed";
    }
    const auto probe = probeClip(clip);
    ASSERT_FALSE(probe.empty()) << "ffprobe could not open the clip";
    EXPECT_EQ(probe.at("codec_name"), "mjpeg");
    EXPECT_EQ(std::stoul(probe.at("nb_read_frames")), info.frames.size());
}

TEST(Cardtool, NeverWritesOverItsOwnSource) {
    TempDir dir;
    std::string clip = "YUV4MPEG2 W16 H16 Cmono\n";
    for (int frame = 0; frame < 2; ++frame) {
        clip += "FRAME\n" + std::string(16 * 16, char(60 + 100 * frame));
    }
    const std::string source = dir.write("source.y4m", clip);
    const std::string card = dir.write("card.ini", "[composite]\nsource = y4m:" + source + "\n");
    std::filesystem::create_symlink(source, dir.file("symlink.avi"));
    std::filesystem::create_hard_link(source, dir.file("hardlink.avi"));
    for (const std::string& out : {source, dir.file("symlink.avi"), dir.file("hardlink.avi")}) {
        EXPECT_EQ(run({"record", out, "1"}, card), 1) << out;
        EXPECT_EQ(run({"grab", out}, card), 1) << out;
    }
    EXPECT_TRUE(testing::readText(source) == clip) << "the source was written over";
    // The same source records into a file of its own.
    EXPECT_EQ(run({"record", dir.file("clip.avi"), "1", "--fps", "10"}, card), 0);
}

TEST(Cardtool, RefusesAFifoAtOnce) {
    TempDir dir;
    const std::string fifo = dir.file("pipe.avi");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Nobody reads the FIFO: opening it to write would wait for ever.
    EXPECT_EQ(run({"record", fifo, "1"}, {}, std::chrono::seconds(30)), 1);
    EXPECT_EQ(run({"grab", fifo}, {}, std::chrono::seconds(30)), 1);
}

TEST(Cardtool, RecordsNothingWhenTheDriverTakesNoRecordingFormat) {
    TempDir dir;
    const std::string card = dir.write("card.ini", "[capture]\nformats = none\n");
    EXPECT_EQ(run({"record", dir.file("clip.avi"), "1"}, card), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("clip.avi")));
}

}  // namespace
}  // namespace zelkor::test
