#include "platform/child_watch.h"

#include <sys/epoll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

namespace zelkor::platform {

void WatchedChild::poll() {
    if (code || unreadable) {
        return;
    }
    siginfo_t info{};
    int r;
    do {
        r = waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r < 0) {
        unreadable = true;
    } else if (info.si_pid != 0) {
        code =
            info.si_code == CLD_EXITED ? uint32_t(info.si_status) : 128 + uint32_t(info.si_status);
    }
}

ChildWatch::ChildWatch() : epoll_(epoll_create1(EPOLL_CLOEXEC)) {}

ChildWatch::~ChildWatch() {
    // Whatever has ended by now is reaped; the rest is the system's once we
    // are gone.
    for (auto& [pidfd, child] : children_) {
        child->poll();
        close(pidfd);
    }
    if (epoll_ >= 0) {
        close(epoll_);
    }
}

std::shared_ptr<WatchedChild> ChildWatch::watch(pid_t pid) {
    if (epoll_ < 0) {
        return nullptr;
    }
    // Called directly: this C library declares pidfd_open without C linkage.
    const int pidfd = int(syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0) {
        return nullptr;
    }
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = pidfd;
    if (epoll_ctl(epoll_, EPOLL_CTL_ADD, pidfd, &event) != 0) {
        close(pidfd);
        return nullptr;
    }
    auto child = std::make_shared<WatchedChild>();
    child->pid = pid;
    children_.emplace(pidfd, child);
    return child;
}

void ChildWatch::forget(int pidfd) {
    epoll_ctl(epoll_, EPOLL_CTL_DEL, pidfd, nullptr);
    close(pidfd);
    children_.erase(pidfd);
}

void ChildWatch::reapEnded() {
    if (epoll_ < 0) {
        return;
    }
    // One batch per call: the descriptor stays readable while more wait,
    // and the loop comes back for them.
    epoll_event events[64];
    int n;
    do {
        n = epoll_wait(epoll_, events, 64, 0);
    } while (n < 0 && errno == EINTR);
    std::vector<std::pair<std::function<void(uint32_t)>, uint32_t>> told;
    for (int i = 0; i < n; ++i) {
        const auto it = children_.find(events[i].data.fd);
        if (it == children_.end()) {
            continue;
        }
        const std::shared_ptr<WatchedChild> child = it->second;
        child->poll();
        if (!child->code && !child->unreadable) {
            continue;
        }
        forget(it->first);
        if (child->code && child->ended) {
            told.emplace_back(std::exchange(child->ended, nullptr), *child->code);
        }
    }
    for (auto& [ended, code] : told) {
        ended(code);
    }
}

}  // namespace zelkor::platform
