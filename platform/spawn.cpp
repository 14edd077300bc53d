#include "platform/spawn.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <thread>

extern char** environ;

namespace zelkor::platform {

pid_t spawnProgram(const std::vector<std::string>& argv) {
    if (argv.empty() || argv[0].empty()) {
        return -1;
    }
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);

    // The child should not inherit our blocked or ignored signals (an ignored
    // SIGPIPE would otherwise survive exec).
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], nullptr, &attr, args.data(), environ);
    posix_spawnattr_destroy(&attr);
    return rc == 0 ? pid : -1;
}

void reapWhenDone(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) != 0) {
        return;  // already reaped, or not ours
    }
    // Still running: one small thread waits for this child alone. Programs
    // start few children, and a blocking wait on one pid disturbs nobody
    // else's children.
    std::thread([pid] {
        int s = 0;
        while (waitpid(pid, &s, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

std::optional<int> waitForEnd(pid_t pid, std::chrono::milliseconds limit) {
    using Clock = std::chrono::steady_clock;
    constexpr auto kLongestPause = std::chrono::milliseconds(20);
    const auto deadline = Clock::now() + limit;
    // Short pauses first: a program that fails at once is seen at once.
    std::chrono::milliseconds pause(1);
    for (;;) {
        int status = 0;
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid) {
            return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
        }
        if (ended < 0 && errno != EINTR) {
            return std::nullopt;
        }
        const auto now = Clock::now();
        if (now >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, kLongestPause);
    }
}

}  // namespace zelkor::platform
