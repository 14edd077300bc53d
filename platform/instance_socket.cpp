#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "platform/instance.h"

// Each class is a datagram socket "<class>.instance" in the directory. A
// datagram socket that nobody has bound any more refuses connections, which
// tells a live holder from a file left behind by a crash. Command ids travel
// as single 4-byte datagrams, so the holder reads whole commands only.

namespace zelkor::platform {

namespace {

constexpr timeval SendTimeout{1, 0};

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(Fd&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
    Fd& operator=(Fd&&) = delete;
    ~Fd() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    int get() const { return fd_; }

  private:
    int fd_;
};

// The socket address of a class; false when the path does not fit.
bool addressOf(const std::string& path, sockaddr_un& addr) {
    addr = {};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof(addr.sun_path)) {
        return false;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

Fd datagramSocket() {
    return Fd(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
}

std::string describe(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

// A socket connected to the holder of `path`, or none; then `*failure`
// (when given) is why: ECONNREFUSED when nobody has the name bound.
Fd connectTo(const std::string& path, int* failure = nullptr) {
    sockaddr_un addr;
    if (!addressOf(path, addr)) {
        return Fd();
    }
    Fd s = datagramSocket();
    if (s.get() < 0 ||
        connect(s.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        if (failure != nullptr) {
            *failure = errno;
        }
        return Fd();
    }
    return s;
}

class SocketClaim : public InstanceClaim {
  public:
    SocketClaim(Fd socket, std::string path, ino_t inode)
        : socket_(std::move(socket)), path_(std::move(path)), inode_(inode) {}
    ~SocketClaim() override {
        // Remove the name only while it is still ours.
        struct stat st {};
        if (lstat(path_.c_str(), &st) == 0 && st.st_ino == inode_) {
            unlink(path_.c_str());
        }
    }

    int fd() const override { return socket_.get(); }

    std::vector<uint32_t> takeCommands() override {
        std::vector<uint32_t> commands;
        for (;;) {
            uint8_t buffer[8];
            const ssize_t n = recv(socket_.get(), buffer, sizeof buffer, MSG_DONTWAIT);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                break;
            }
            // Anything but a 4-byte datagram is not a command.
            if (n == 4) {
                uint32_t command;
                std::memcpy(&command, buffer, 4);
                commands.push_back(command);
            }
        }
        return commands;
    }

  private:
    Fd socket_;
    std::string path_;
    ino_t inode_;
};

class SocketInstances : public Instances {
  public:
    explicit SocketInstances(std::string directory) : directory_(std::move(directory)) {}

    std::unique_ptr<InstanceClaim> claim(std::string_view className, std::string* error) override {
        std::string reason;
        auto claimed = take(className, &reason);
        if (error != nullptr) {
            *error = std::move(reason);
        }
        return claimed;
    }

    bool exists(std::string_view className) override {
        return usable(className) && connectTo(pathOf(className)).get() >= 0;
    }

    Delivery deliver(std::string_view className, uint32_t command, std::string* reason) override {
        std::string why;
        const Delivery delivery = sendTo(className, command, &why);
        if (reason != nullptr) {
            *reason = std::move(why);
        }
        return delivery;
    }

  private:
    Delivery sendTo(std::string_view className, uint32_t command, std::string* reason) {
        *reason = problemWith(className);
        if (!reason->empty()) {
            return Delivery::Failed;
        }
        const std::string path = pathOf(className);
        sockaddr_un addr;
        if (!addressOf(path, addr)) {
            *reason = path + " is too long for a socket name";
            return Delivery::Failed;
        }
        int failure = 0;
        const Fd s = connectTo(path, &failure);
        if (s.get() < 0) {
            // No socket, or one nobody has bound any more.
            if (failure == ENOENT || failure == ECONNREFUSED) {
                return Delivery::NotRunning;
            }
            *reason = describe("Cannot reach the program holding " + path, failure);
            return Delivery::Failed;
        }
        setsockopt(s.get(), SOL_SOCKET, SO_SNDTIMEO, &SendTimeout, sizeof SendTimeout);
        uint8_t buffer[4];
        std::memcpy(buffer, &command, 4);
        ssize_t n;
        do {
            n = ::send(s.get(), buffer, sizeof buffer, MSG_NOSIGNAL);
        } while (n < 0 && errno == EINTR);
        if (n == 4) {
            return Delivery::Delivered;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            *reason = "The program holding " + path +
                      " took no command for a second: its queue of commands is full";
            return Delivery::Busy;
        }
        if (n < 0 && errno == ECONNREFUSED) {
            return Delivery::NotRunning;  // it ended since the connection
        }
        *reason = describe("Cannot send to the program holding " + path, n < 0 ? errno : EIO);
        return Delivery::Failed;
    }

    // Null with an empty `*error` when a live program holds the name.
    std::unique_ptr<InstanceClaim> take(std::string_view className, std::string* error) {
        *error = problemWith(className);
        if (!error->empty()) {
            return nullptr;
        }
        const std::string path = pathOf(className);
        sockaddr_un addr;
        if (!addressOf(path, addr)) {
            *error = "The single-instance socket " + path + " is too long for a socket name (" +
                     std::to_string(sizeof addr.sun_path - 1) + " bytes at most)";
            return nullptr;
        }
        // Two programs taking over the same stale name at once must not both
        // win: the check and the bind happen under a lock on a side file,
        // never opened through a link that would make us create a file elsewhere.
        const std::string lockPath = path + ".lock";
        Fd lock(open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (lock.get() < 0) {
            *error = describe("Cannot open " + lockPath, errno);
            return nullptr;
        }
        while (flock(lock.get(), LOCK_EX) != 0) {
            if (errno != EINTR) {
                *error = describe("Cannot lock " + lockPath, errno);
                return nullptr;
            }
        }
        Fd s = datagramSocket();
        if (s.get() < 0) {
            *error = describe("Cannot create a socket", errno);
            return nullptr;
        }
        const auto* a = reinterpret_cast<const sockaddr*>(&addr);
        if (bind(s.get(), a, sizeof addr) != 0) {
            if (errno != EADDRINUSE) {
                *error = describe("Cannot create " + path, errno);
                return nullptr;
            }
            int failure = 0;
            if (connectTo(path, &failure).get() >= 0) {
                return nullptr;  // held by a live program
            }
            // Left behind by a program that is gone; only a socket is removed.
            struct stat st {};
            if (lstat(path.c_str(), &st) != 0) {
                *error = describe("Cannot examine " + path, errno);
                return nullptr;
            }
            if (!S_ISSOCK(st.st_mode)) {
                *error = "Cannot create " + path + ": a file that is not a socket is in the way";
                return nullptr;
            }
            if (failure != ECONNREFUSED) {
                *error = describe("Cannot reach the program holding " + path, failure);
                return nullptr;
            }
            if (unlink(path.c_str()) != 0 || bind(s.get(), a, sizeof addr) != 0) {
                *error = describe("Cannot take over " + path, errno);
                return nullptr;
            }
        }
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0) {
            *error = describe("Cannot examine " + path, errno);
            return nullptr;
        }
        return std::make_unique<SocketClaim>(std::move(s), path, st.st_ino);
    }

    // Why no socket of `className` can be trusted in the folder, or nothing.
    std::string problemWith(std::string_view className) const {
        if (!validClassName(className)) {
            return "Not an instance class name: \"" + std::string(className) + "\"";
        }
        if (directory_.empty()) {
            return "No private runtime folder for the single-instance sockets: set "
                   "XDG_RUNTIME_DIR to a folder of this user";
        }
        struct stat st {};
        if (stat(directory_.c_str(), &st) != 0) {
            return describe("Cannot use the runtime folder " + directory_, errno);
        }
        if (!S_ISDIR(st.st_mode)) {
            return describe("Cannot use the runtime folder " + directory_, ENOTDIR);
        }
        if ((st.st_uid != getuid() && st.st_uid != 0) || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
            return "Cannot use the runtime folder " + directory_ +
                   ": other users can write it, so its sockets could pose as this program";
        }
        return std::string();
    }

    bool usable(std::string_view className) const { return problemWith(className).empty(); }
    std::string pathOf(std::string_view className) const {
        return directory_ + "/" + std::string(className) + ".instance";
    }

    std::string directory_;
};

}  // namespace

bool validClassName(std::string_view name) {
    return !name.empty() && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos && name != "." && name != "..";
}

std::string defaultInstanceDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        return runtime;
    }
    // A shared /tmp: the folder must be ours alone, or another user could
    // plant sockets that pose as our programs.
    const uid_t uid = getuid();
    const std::string dir = "/tmp/zelkor-" + std::to_string(uid);
    mkdir(dir.c_str(), 0700);
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != uid) {
        return std::string();
    }
    if ((st.st_mode & 077) != 0 && chmod(dir.c_str(), 0700) != 0) {
        return std::string();
    }
    return dir;
}

std::unique_ptr<Instances> makeInstances(std::string directory) {
    return std::make_unique<SocketInstances>(std::move(directory));
}

}  // namespace zelkor::platform
