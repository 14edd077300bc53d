#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/process.h"
#include "platform/qt/services.h"
#include "platform/shell.h"
#include "tests/support/qt_app.h"
#include "tests/support/temp_dir.h"

namespace zelkor::platform {
namespace {

namespace fs = std::filesystem;

// Polls until the child has ended (a real child takes real time to end;
// this waits for an event, it does not time anything).
uint32_t waitForEnd(ChildProcess& child) {
    for (int i = 0; i < 1000; ++i) {
        const auto code = child.exitCode();
        if (!code) {
            ADD_FAILURE() << "exit state unreadable";
            return 0;
        }
        if (*code != STILL_ACTIVE) {
            return *code;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ADD_FAILURE() << "child never ended";
    return 0;
}

fs::path tempDir(const char* name) {
    const fs::path dir = fs::temp_directory_path() / (std::string(name) + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

TEST(Processes, ExitCodesOfEndedChildrenWithoutAShell) {
    auto processes = makeProcesses();
    auto three = processes->start(R"(/bin/sh -c "exit 3")");
    ASSERT_NE(three, nullptr);
    EXPECT_EQ(waitForEnd(*three), 3u);
    EXPECT_EQ(three->exitCode(), 3u);  // stays readable after reaping

    // Found in PATH; a signal ends it as 128 + the signal number.
    auto killed = processes->start(R"(sh -c "kill -9 $$")");
    ASSERT_NE(killed, nullptr);
    EXPECT_EQ(waitForEnd(*killed), 128u + 9u);

    // No shell in between: the quoted argument reaches the program whole,
    // and shell syntax stays text.
    const fs::path dir = tempDir("zelkor_proc_");
    const fs::path out = dir / "args";
    auto printer = processes->start("/bin/sh -c \"printf '%s|' \\\"$@\\\" > " + out.string() +
                                    "\" sh \"one two\" ';' '$HOME'");
    ASSERT_NE(printer, nullptr);
    EXPECT_EQ(waitForEnd(*printer), 0u);
    EXPECT_EQ(zelkor::testing::readText(out), "one two|';'|'$HOME'|");
    fs::remove_all(dir);
}

TEST(Processes, RunningChildIsStillActiveAndMissingProgramDoesNotStart) {
    auto processes = makeProcesses();
    auto sleeper = processes->start("sleep 5");
    ASSERT_NE(sleeper, nullptr);
    EXPECT_EQ(sleeper->exitCode(), STILL_ACTIVE);

    EXPECT_EQ(processes->start("/nonexistent/dial 3"), nullptr);
    EXPECT_EQ(processes->start("zelkor-no-such-program"), nullptr);
    EXPECT_EQ(processes->start("   "), nullptr);
}

// Ends are taken in on the event loop, without a thread per child: a
// dropped child is reaped there, and its handler still hears how it ended.
TEST(Processes, DroppedChildrenAreReapedNotLeftAsZombies) {
    zelkor::testing::qtApp();
    auto processes = makeProcesses();
    const auto watch = watchChildEnds(*processes);
    ASSERT_NE(watch, nullptr);
    std::optional<uint32_t> told;
    pid_t pid = 0;
    {
        // The child reports its pid through a file, then ends shortly after
        // its handle has gone.
        const fs::path dir = tempDir("zelkor_reap_");
        const fs::path out = dir / "pid";
        auto child =
            processes->start("/bin/sh -c \"echo $$ > " + out.string() + "; sleep 0.2; exit 7\"");
        ASSERT_NE(child, nullptr);
        child->whenEnded([&told](uint32_t code) { told = code; });
        for (int i = 0; i < 500 && zelkor::testing::readText(out).empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid = std::atoi(zelkor::testing::readText(out).c_str());
        ASSERT_GT(pid, 0);
        fs::remove_all(dir);
    }
    // Once reaped, the pid is no child of ours any more.
    bool reaped = false;
    for (int i = 0; i < 500 && !reaped; ++i) {
        const fs::path stat = "/proc/" + std::to_string(pid) + "/stat";
        reaped = !fs::exists(stat);
        if (!reaped) {
            zelkor::testing::processEventsFor(10);
        }
    }
    EXPECT_TRUE(reaped) << "child " << pid << " left as a zombie";
    EXPECT_EQ(told, 7u);
}

// Where no thread can be made any more, a dropped child still needs none,
// and a program that cannot be started is a failed start, not a crash.
void startAtTheProcessLimit() {
    // A user of its own with room for one more process or thread (the
    // limit does not bind root).
    const uid_t uid = 2000000000 + uid_t(getpid() % 100000);
    const rlimit limit{2, 2};
    if (setresgid(uid, uid, uid) != 0 || setresuid(uid, uid, uid) != 0 ||
        setrlimit(RLIMIT_NPROC, &limit) != 0) {
        std::_Exit(10);
    }
    auto processes = makeProcesses();
    if (!processes->start("sleep 1")) {
        std::_Exit(11);
    }
    if (processes->start("sleep 1")) {
        std::_Exit(12);
    }
    std::_Exit(0);
}

TEST(Processes, AtTheProcessLimitStartsFailAndNothingAborts) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to take on a user whose process limit binds";
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(startAtTheProcessLimit(), ::testing::ExitedWithCode(0), "");
}

// A program at `path` that writes its arguments, each followed by '|', to
// `log`.
void writeArgumentRecorder(const fs::path& path, const fs::path& log) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "#!/bin/sh\nprintf '%s|' \"$@\" > '" << log.string() << "'\n";
    fs::permissions(path, fs::perms::owner_all);
}

TEST(Processes, UnquotedPathWithBlanksStartsWithTheRestAsArguments) {
    const fs::path dir = tempDir("zelkor_blanks_");
    auto processes = makeProcesses();
    // "My" is a folder beside "My Viewer": no program, so the search goes on.
    fs::create_directories(dir / "My");
    const fs::path viewer = dir / "My Viewer" / "view";
    writeArgumentRecorder(viewer, dir / "viewer.log");
    const fs::path picture = dir / "event 1.bmp";
    auto child = processes->start(viewer.string() + " \"" + picture.string() + "\" x");
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(waitForEnd(*child), 0u);
    EXPECT_EQ(zelkor::testing::readText(dir / "viewer.log"), picture.string() + "|x|");

    // Shortest first: beside a program "run", "run with/blank" is "run"
    // given "with/blank".
    writeArgumentRecorder(dir / "run", dir / "run.log");
    writeArgumentRecorder(dir / "run with" / "blank", dir / "blank.log");
    child = processes->start((dir / "run with" / "blank").string() + " x");
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(waitForEnd(*child), 0u);
    EXPECT_EQ(zelkor::testing::readText(dir / "run.log"), "with/blank|x|");
    EXPECT_FALSE(fs::exists(dir / "blank.log"));

    // A quoted name is the program, found or not.
    EXPECT_EQ(processes->start("\"" + (dir / "My Viewer").string() + "\" view"), nullptr);
    EXPECT_EQ(processes->start((dir / "My Viewer" / "none").string() + " view"), nullptr);
    fs::remove_all(dir);
}

TEST(Shell, OpensExistingFilesWithTheOpenerOnly) {
    const fs::path dir = tempDir("zelkor_shell_");
    const fs::path opener = dir / "opener";
    const fs::path log = dir / "opened";
    {
        std::ofstream script(opener);
        script << "#!/bin/sh\nprintf '%s' \"$1\" > " << log.string() << "\n";
    }
    fs::permissions(opener, fs::perms::owner_all);
    const fs::path page = dir / "Help Page.htm";
    std::ofstream(page) << "x";

    auto shell = makeShell(opener.string());
    EXPECT_EQ(shell->open((dir / "missing.htm").string()), 2);
    EXPECT_GT(shell->open(page.string()), 32);
    for (int i = 0; i < 500 && zelkor::testing::readText(log).empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(zelkor::testing::readText(log), page.string());

    // A missing opener is neither a missing file nor a missing handler, and
    // the message names it and the setting that chooses it.
    const auto missing = makeShell((dir / "no-opener").string());
    EXPECT_EQ(missing->open(page.string()), kOpenerNotStarted);
    const std::string note = OpenerNotStartedNote(*missing, kOpenerNotStarted);
    EXPECT_TRUE(note.starts_with("\nCould not start \"" + (dir / "no-opener").string() + "\""))
        << note;
    EXPECT_NE(note.find("ZELKOR_OPENER"), std::string::npos);
    EXPECT_EQ(OpenerNotStartedNote(*missing, kOpenNoHandler), "");
    EXPECT_EQ(OpenerNotStartedNote(*missing, kOpenFileNotFound), "");
    ::setenv("ZELKOR_OPENER", opener.c_str(), 1);
    EXPECT_EQ(makeShell()->opener(), opener.string());
    ::unsetenv("ZELKOR_OPENER");
    EXPECT_EQ(makeShell()->opener(), "xdg-open");
    fs::remove_all(dir);
}

// An opener that fails ("no handler for this type") is a failure, not a
// started handler; one still running after the wait is the handler itself.
TEST(Shell, TheOpenersExitStatusDecidesTheCode) {
    const fs::path dir = tempDir("zelkor_shell_status_");
    const auto opener = [&](const std::string& name, const std::string& body) {
        const fs::path script = dir / name;
        std::ofstream(script) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(script, fs::perms::owner_all);
        return script.string();
    };
    const fs::path page = dir / "clip.avi";
    std::ofstream(page) << "x";

    EXPECT_EQ(makeShell(opener("no-handler", "exit 3"))->open(page.string()), 31);
    EXPECT_EQ(makeShell(opener("failed", "exit 4"))->open(page.string()), 31);
    EXPECT_EQ(makeShell(opener("killed", "kill -9 $$"))->open(page.string()), 31);
    EXPECT_EQ(makeShell(opener("gone", "exit 2"))->open(page.string()), 2);
    EXPECT_GT(makeShell(opener("handed-over", "exit 0"))->open(page.string()), 32);
    const auto foreground =
        makeShell(opener("foreground", "sleep 2"), std::chrono::milliseconds(50));
    EXPECT_GT(foreground->open(page.string()), 32);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace zelkor::platform
