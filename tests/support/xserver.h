#pragma once
// A real X server for tests that look at what the screen shows (Xvfb,
// started once per test program). Starting it points this program's Qt
// (and DISPLAY, for the programs it starts) at it.

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>

#include <csignal>
#include <cstdlib>
#include <string>

extern char** environ;

namespace zelkor::testing {

// An X server of our own. It picks a free display number itself and tells
// it through a pipe, so programs starting servers side by side never share
// one.
class Xserver {
  public:
    static Xserver& instance() {
        static Xserver x;
        return x;
    }
    bool running() const { return pid_ > 0; }
    const std::string& why() const { return why_; }

  private:
    Xserver() {
        int fds[2];
        if (pipe(fds) != 0) {
            why_ = "no pipe for the X server's display number";
            return;
        }
        std::string program = "Xvfb";
        const std::string fd = std::to_string(fds[1]);
        char* argv[] = {program.data(),
                        const_cast<char*>("-displayfd"),
                        const_cast<char*>(fd.c_str()),
                        const_cast<char*>("-screen"),
                        const_cast<char*>("0"),
                        const_cast<char*>("1280x1024x24"),
                        const_cast<char*>("-nolisten"),
                        const_cast<char*>("tcp"),
                        const_cast<char*>("-terminate"),
                        nullptr};
        pid_t pid = 0;
        const int spawned = posix_spawnp(&pid, "Xvfb", nullptr, nullptr, argv, environ);
        close(fds[1]);
        if (spawned != 0) {
            close(fds[0]);
            why_ = "Xvfb cannot be started (is it installed?)";
            return;
        }
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        char c = 0;
        while (poll(&p, 1, 10000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        close(fds[0]);
        if (number.empty()) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
            why_ = "Xvfb did not come up";
            return;
        }
        pid_ = pid;
        setenv("DISPLAY", (":" + number).c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
    // With an application connected the server ends by itself when the
    // program does (-terminate); taking it away earlier would break Qt.
    ~Xserver() {
        if (pid_ > 0 && QCoreApplication::instance() == nullptr) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    pid_t pid_ = 0;
    std::string why_;
};

}  // namespace zelkor::testing
