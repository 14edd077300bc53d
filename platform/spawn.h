#pragma once
// Starting a program directly (no shell) and making sure no ended child is
// left behind as a zombie.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace zelkor::platform {

// Starts argv[0] (looked up in PATH when it holds no '/') with `argv`, the
// caller's environment and working directory, default signal handling and no
// blocked signals. -1 when it cannot be started (not found, not executable).
pid_t spawnProgram(const std::vector<std::string>& argv);

// Reaps `pid` when it ends, without making the caller wait.
void reapWhenDone(pid_t pid);

// Waits up to `limit` for `pid` to end and reaps it: its exit status (128 +
// the signal number when a signal ended it). Nothing when it still runs
// then, or its status cannot be read.
std::optional<int> waitForEnd(pid_t pid, std::chrono::milliseconds limit);

}  // namespace zelkor::platform
