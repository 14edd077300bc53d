#pragma once
// Starting the real programs from tests, with the environment that points
// them at a test's own settings store, instance folder and console boxes.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "eventdb/event_database.h"
#include "platform/registry.h"

namespace zelkor::testing {

inline std::string binDir() {
    const char* dir = std::getenv("ZELKOR_BIN_DIR");
    return dir != nullptr ? dir : ".";
}

// Writes WORKINGDIR and USEACCESS into a store file.
inline bool writeProductSettings(const std::string& registryPath, const std::string& workingDir,
                                 uint32_t useAccess) {
    const auto registry = platform::openFileRegistry(registryPath);
    const auto key = registry->createKey(eventdb::kProductKey);
    return key && platform::setText(*key, "WORKINGDIR", workingDir) &&
           platform::setNumber(*key, "USEACCESS", useAccess);
}

// How a started program finds a screen: Qt's offscreen platform with boxes
// on the console, or none at all, as on a machine without a display where
// nothing says how message boxes are shown.
enum class Screen { Offscreen, None };

class Program {
  public:
    // Starts `name` from the build's program folder (or the program at an
    // absolute path) with `args`; its stderr (the console message boxes)
    // goes to `stderrPath`. `extraEnv` adds NAME=VALUE entries.
    Program(const std::string& name, const std::string& registryPath, const std::string& runtimeDir,
            const std::string& stderrPath, Screen screen = Screen::Offscreen,
            std::vector<std::string> args = {}, const std::vector<std::string>& extraEnv = {}) {
        const std::string exe = name.starts_with("/") ? name : binDir() + "/" + name;
        std::vector<std::string> env = {"ZELKOR_REGISTRY=" + registryPath,
                                        "XDG_RUNTIME_DIR=" + runtimeDir,
                                        "ZELKOR_WINDIR=" + runtimeDir, "HOME=" + runtimeDir};
        if (screen == Screen::Offscreen) {
            env.insert(env.end(), {"ZELKOR_UI=console", "QT_QPA_PLATFORM=offscreen"});
        }
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        pid_ = fork();
        if (pid_ == 0) {
            if (freopen(stderrPath.c_str(), "w", stderr) == nullptr) {
                _exit(126);
            }
            std::vector<char*> envp;
            for (auto& e : env) {
                envp.push_back(e.data());
            }
            envp.push_back(nullptr);
            std::vector<char*> argv{const_cast<char*>(exe.c_str())};
            for (auto& a : args) {
                argv.push_back(a.data());
            }
            argv.push_back(nullptr);
            execve(exe.c_str(), argv.data(), envp.data());
            _exit(127);
        }
    }
    ~Program() {
        if (pid_ > 0 && !done_) {
            kill(pid_, SIGKILL);
            wait();
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Exit status, or 128 + signal.
    int wait() {
        if (done_) {
            return status_;
        }
        int raw = 0;
        waitpid(pid_, &raw, 0);
        done_ = true;
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        return status_;
    }
    // Exit status as wait() gives it; a program still running after
    // `limit` is killed and -1 returned, so a hanging program cannot hold
    // a test up.
    int waitAtMost(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (running()) {
            if (std::chrono::steady_clock::now() >= deadline) {
                killHard();
                wait();
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return status_;
    }
    bool running() {
        if (done_) {
            return false;
        }
        int raw = 0;
        if (waitpid(pid_, &raw, WNOHANG) == pid_) {
            done_ = true;
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            return false;
        }
        return true;
    }
    void killHard() { kill(pid_, SIGKILL); }
    // Stops and continues the program, so a test can look at what it did
    // so far while it cannot go on.
    void pause() { kill(pid_, SIGSTOP); }
    void resume() { kill(pid_, SIGCONT); }
    void sendSignal(int number) { kill(pid_, number); }

  private:
    pid_t pid_ = -1;
    bool done_ = false;
    int status_ = -1;
};

}  // namespace zelkor::testing
