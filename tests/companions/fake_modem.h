#pragma once
// A modem for the dialer's tests: it sits on the far end of a descriptor (a
// pseudo-terminal's master side, or one end of a socket pair), records every
// command line it receives and answers from a script, as an AT modem does.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zelkor::testing {

class FakeModem {
  public:
    // `replies`: what the modem sends after a command that begins with the
    // key (the longest key that fits wins); "" keeps it silent. Commands
    // the script does not name are answered "OK". With `echo`, each command
    // comes back first, as modems echo by default.
    FakeModem(int fd, std::map<std::string, std::string> replies, bool echo = false)
        : fd_(fd), replies_(std::move(replies)), echo_(echo), thread_([this] { serve(); }) {}
    ~FakeModem() {
        stop_ = true;
        thread_.join();
    }
    FakeModem(const FakeModem&) = delete;
    FakeModem& operator=(const FakeModem&) = delete;

    // Each command without its carriage return, in the order received.
    std::vector<std::string> commands() const {
        std::lock_guard lock(mutex_);
        return commands_;
    }
    size_t bytesReceived() const {
        std::lock_guard lock(mutex_);
        return bytes_;
    }

  private:
    void serve() {
        std::string pending;
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0 || (p.revents & POLLIN) == 0) {
                continue;
            }
            char buffer[256];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) {
                continue;
            }
            pending.append(buffer, size_t(n));
            {
                std::lock_guard lock(mutex_);
                bytes_ += size_t(n);
            }
            for (auto end = pending.find('\r'); end != std::string::npos;
                 end = pending.find('\r')) {
                const std::string command = pending.substr(0, end);
                pending.erase(0, end + 1);
                {
                    std::lock_guard lock(mutex_);
                    commands_.push_back(command);
                }
                const std::string reply = (echo_ ? command + "\r" : "") + replyTo(command);
                if (!reply.empty() && ::write(fd_, reply.data(), reply.size()) < 0) {
                    return;
                }
            }
        }
    }

    std::string replyTo(const std::string& command) const {
        const std::string* best = nullptr;
        size_t bestLength = 0;
        for (const auto& [key, reply] : replies_) {
            if (command.starts_with(key) && (best == nullptr || key.size() > bestLength)) {
                best = &reply;
                bestLength = key.size();
            }
        }
        return best != nullptr ? *best : "\r\nOK\r\n";
    }

    int fd_;
    std::map<std::string, std::string> replies_;
    bool echo_;
    mutable std::mutex mutex_;
    std::vector<std::string> commands_;
    size_t bytes_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A pseudo-terminal whose slave side stands in for the modem's device. The
// test keeps the slave open too, so the master never reads as hung up
// between the dialer's opening and closing of the device.
class PseudoTerminal {
  public:
    PseudoTerminal() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
            return;
        }
        slavePath_ = ::ptsname(master_);
        slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
        termios tio{};
        if (slave_ >= 0 && ::tcgetattr(slave_, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(slave_, TCSANOW, &tio);
        }
    }
    ~PseudoTerminal() {
        if (slave_ >= 0) {
            ::close(slave_);
        }
        if (master_ >= 0) {
            ::close(master_);
        }
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool ok() const { return slave_ >= 0; }
    int master() const { return master_; }
    const std::string& device() const { return slavePath_; }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

}  // namespace zelkor::testing
