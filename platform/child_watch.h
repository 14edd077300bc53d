#pragma once
// Watching started children without a thread each: every child gets a pid
// descriptor, and all of them sit in one epoll descriptor that the event
// loop watches. An ended child is reaped by its owner's poll or when the
// loop takes its end in, whether its owner still holds it or not.

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>

namespace zelkor::platform {

// One child's end state, shared by its owner's handle and the watch.
struct WatchedChild {
    pid_t pid = -1;
    // Set once the child is reaped: its exit code, 128 + the signal number
    // when a signal ended it.
    std::optional<uint32_t> code;
    // The state cannot be read (someone else reaped it).
    bool unreadable = false;
    std::function<void(uint32_t)> ended;

    // Reaps the child when it has ended; never waits.
    void poll();
};

class ChildWatch {
  public:
    ChildWatch();
    ~ChildWatch();
    ChildWatch(const ChildWatch&) = delete;
    ChildWatch& operator=(const ChildWatch&) = delete;

    // Watches `pid`, a child of ours not reaped yet. Null when it cannot be
    // watched (no descriptor left).
    std::shared_ptr<WatchedChild> watch(pid_t pid);

    // Readable while a watched child's end waits to be taken in.
    int descriptor() const { return epoll_; }

    // Reaps the ended children, stops watching them, then calls their
    // `ended` handlers.
    void reapEnded();

  private:
    void forget(int pidfd);

    int epoll_ = -1;
    std::unordered_map<int, std::shared_ptr<WatchedChild>> children_;  // by pid descriptor
};

}  // namespace zelkor::platform
