#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/history_file.h"
#include "tests/support/temp_dir.h"

namespace zelkor::platform {
namespace {

std::string contents(const std::string& path) {
    const auto bytes = testing::readFile(path);
    return {bytes.begin(), bytes.end()};
}

class HistoryFileTest : public ::testing::Test {
  protected:
    testing::TempDir dir;
    std::string path = dir.file("History.Log");
    std::string error;
};

TEST_F(HistoryFileTest, AppendsWholeLinesEndedByCrLfToANewOrExistingFile) {
    ASSERT_TRUE(AppendHistoryLine(path, "[1] [a] [b] []", &error)) << error;
    ASSERT_TRUE(AppendHistoryLine(path, "", &error)) << error;
    ASSERT_TRUE(AppendHistoryLine(path, "[2] [c] [d] [e]", &error)) << error;
    EXPECT_EQ(contents(path), "[1] [a] [b] []\r\n\r\n[2] [c] [d] [e]\r\n");
}

TEST_F(HistoryFileTest, RefusesLineBreaksLinksAndWhatIsNoRegularFile) {
    EXPECT_FALSE(AppendHistoryLine(path, "[1] [a\nb] [c] []", &error));
    EXPECT_FALSE(AppendHistoryLine(path, "[1] [a\rb] [c] []", &error));
    EXPECT_FALSE(std::filesystem::exists(path));

    const std::string target = dir.write("elsewhere", "keep");
    std::filesystem::create_symlink(target, path);
    error.clear();
    EXPECT_FALSE(AppendHistoryLine(path, "[1] [a] [b] []", &error));
    EXPECT_NE(error, "");
    EXPECT_FALSE(TakeOverHistoryFile(path, &error));
    EXPECT_NE(error, "");
    EXPECT_EQ(contents(target), "keep");

    // A FIFO would block an open for writing or reading until a peer came.
    std::filesystem::remove(path);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_FALSE(AppendHistoryLine(path, "[1] [a] [b] []", &error));
    EXPECT_FALSE(TakeOverHistoryFile(path, &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
}

// With too little room for the whole line, the part that fitted is cut off
// again, so the next line does not continue a torn one.
TEST_F(HistoryFileTest, AWriteThatStopsPartWayLeavesNoTornLine) {
    ASSERT_TRUE(AppendHistoryLine(path, "[1] [a] [b] []", &error));
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{20, 20};  // 16 bytes are in; 4 more fit
        setrlimit(RLIMIT_FSIZE, &limit);
        std::string childError;
        _exit(AppendHistoryLine(path, "[2] [c] [d] []", &childError) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(contents(path), "[1] [a] [b] []\r\n");
}

TEST_F(HistoryFileTest, TakeOverRenamesToAListedNameAndTheWriterStartsAnew) {
    EXPECT_FALSE(TakeOverHistoryFile(path, &error));
    EXPECT_EQ(error, "");
    EXPECT_TRUE(TakenHistoryFiles(dir.path()).empty());

    ASSERT_TRUE(AppendHistoryLine(path, "[1] [a] [b] []", &error));
    const auto taken = TakeOverHistoryFile(path, &error);
    ASSERT_TRUE(taken) << error;
    EXPECT_EQ(std::filesystem::path(*taken).parent_path(), dir.path());
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(TakenHistoryFiles(dir.path()), std::vector<std::string>{*taken});

    ASSERT_TRUE(AppendHistoryLine(path, "[2] [c] [d] []", &error));
    const auto second = TakeOverHistoryFile(path, &error);
    ASSERT_TRUE(second) << error;
    EXPECT_EQ(TakenHistoryFiles(dir.path()), (std::vector<std::string>{*taken, *second}));
    EXPECT_EQ(contents(*taken), "[1] [a] [b] []\r\n");
    EXPECT_EQ(contents(*second), "[2] [c] [d] []\r\n");
}

// The writer opened the file, then waited for the lock while the file was
// renamed away: its line must go to a new file under the name, not into
// the renamed one, which the reader may already have consumed.
TEST_F(HistoryFileTest, AWriterWaitingForTheLockFollowsTheName) {
    ASSERT_TRUE(AppendHistoryLine(path, "[1] [a] [b] []", &error));
    const int held = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    std::string writerError;
    std::thread writer([&] { AppendHistoryLine(path, "[2] [c] [d] []", &writerError); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::string renamed = dir.file("consumed");
    std::filesystem::rename(path, renamed);
    ::close(held);
    writer.join();
    EXPECT_EQ(writerError, "");
    EXPECT_EQ(contents(renamed), "[1] [a] [b] []\r\n");
    EXPECT_EQ(contents(path), "[2] [c] [d] []\r\n");
}

// Made in an order that is neither their age nor its reverse, so a listing
// in the folder's own order cannot pass for oldest first by chance.
TEST_F(HistoryFileTest, TakenFilesAreOnlyOwnNamesOldestFirst) {
    const std::string older = dir.write("History.Log.taken-00000000000000000001-9-1", "");
    std::vector<std::string> valid{older};
    for (const int stamp : {17, 11, 23, 13, 29, 12, 31, 19, 14, 27, 16}) {
        valid.push_back(
            dir.write("History.Log.taken-000000000000000000" + std::to_string(stamp) + "-7", ""));
    }
    const std::string newer = dir.write("History.Log.taken-00000000000000000002-7", "");
    valid.push_back(newer);
    // The stamps have the same width, so name order is age order.
    std::sort(valid.begin(), valid.end());
    dir.write("History.Log.taken-0000000000000000003-7", "");  // 19 digits
    dir.write("History.Log.taken-00000000000000000004-", "");
    dir.write("History.Log.taken-00000000000000000005-7-", "");
    dir.write("History.Log.taken-00000000000000000006-x", "");
    dir.write("history.log.taken-00000000000000000007-7", "");
    std::filesystem::create_directory(dir.file("History.Log.taken-00000000000000000008-7"));
    std::filesystem::create_symlink(older, dir.file("History.Log.taken-00000000000000000009-7"));
    EXPECT_EQ(TakenHistoryFiles(dir.path()), valid);
    EXPECT_TRUE(TakenHistoryFiles(dir.file("missing")).empty());
}

// Writers in several threads append while the reader takes the file over
// again and again: every line is found exactly once, whole, in some file.
TEST_F(HistoryFileTest, ConcurrentWritersAndTakeOversLoseAndTearNoLine) {
    constexpr int kWriters = 4;
    constexpr int kLines = 250;
    std::vector<std::thread> writers;
    std::vector<std::string> errors(kWriters);
    std::atomic<int> finished = 0;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            for (int i = 0; i < kLines && errors[w].empty(); ++i) {
                AppendHistoryLine(path,
                                  "[" + std::to_string(i) + "] [writer " + std::to_string(w) +
                                      "] [" + std::string(100 + i, 'x') + "] []",
                                  &errors[w]);
            }
            ++finished;
        });
    }
    std::string collected;
    const auto takeAll = [&] {
        const auto taken = TakeOverHistoryFile(path, &error);
        EXPECT_EQ(error, "");
        if (taken) {
            collected += contents(*taken);
            std::filesystem::remove(*taken);
        }
    };
    while (finished < kWriters) {
        takeAll();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    for (auto& writer : writers) {
        writer.join();
    }
    takeAll();
    for (const auto& e : errors) {
        EXPECT_EQ(e, "");
    }
    std::map<std::string, int> seen;
    std::istringstream lines(collected);
    std::string line;
    while (std::getline(lines, line)) {
        ASSERT_TRUE(line.ends_with("] []\r")) << line;
        ++seen[line];
    }
    EXPECT_EQ(seen.size(), size_t{kWriters} * kLines);
    for (const auto& [text, count] : seen) {
        EXPECT_EQ(count, 1) << text;
    }
}

}  // namespace
}  // namespace zelkor::platform
