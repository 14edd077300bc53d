#pragma once
// Runs a check in a child process for which file modes count: root writes
// whatever a file's mode says, so as root the child takes the ids of the
// unprivileged user first. The child's answer comes back as text.

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>

namespace zelkor::testing {

inline constexpr uid_t kUnprivilegedId = 65534;
inline constexpr int kCannotDrop = 3;

// The report `check` gave, or nullopt when the child could not give up
// root's rights (a sandbox without the right to change ids). A child that
// failed otherwise reports how it ended.
inline std::optional<std::string> runUnprivileged(const std::function<std::string()>& check) {
    int fds[2];
    if (pipe(fds) != 0) {
        return std::nullopt;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kUnprivilegedId) != 0 ||
                               setuid(kUnprivilegedId) != 0)) {
            _exit(kCannotDrop);
        }
        const std::string report = check();
        const bool written =
            write(fds[1], report.data(), report.size()) == static_cast<ssize_t>(report.size());
        _exit(written ? 0 : 4);
    }
    close(fds[1]);
    std::string report;
    char buffer[512];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) {
        report.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == kCannotDrop) {
        return std::nullopt;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return "the child ended with status " + std::to_string(status);
    }
    return report;
}

}  // namespace zelkor::testing
