#include "platform/history_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace zelkor::platform {

namespace {

// Histran renames the file once per run, so a writer that finds its file
// renamed succeeds at the next attempt; only a file that something keeps
// replacing exhausts them.
constexpr int kAttempts = 100;

// Taken files are named "History.Log.taken-<20-digit nanoseconds>-<pid>",
// with "-<n>" added should that name exist, so name order is age order.
constexpr std::string_view kTakenPrefix = "History.Log.taken-";
constexpr size_t kStampDigits = 20;

std::string systemError(std::string_view what, const std::string& path) {
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

class Descriptor {
  public:
    Descriptor() = default;
    // Closing also releases the lock.
    ~Descriptor() { reset(-1); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    void reset(int fd) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

  private:
    int fd_ = -1;
};

enum class Opened { Locked, Missing, Moved, Failed };

// Opens `path` (never through a symbolic link, never blocking on a FIFO),
// locks it and checks that the name still refers to the locked file: the
// other side may have renamed or replaced it while this side waited.
Opened openLocked(const std::string& path, int flags, Descriptor* fd, struct stat* opened,
                  std::string* error) {
    fd->reset(::open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666));
    if (fd->get() < 0) {
        if (errno == ENOENT && (flags & O_CREAT) == 0) {
            return Opened::Missing;
        }
        *error = systemError("cannot open", path);
        return Opened::Failed;
    }
    if (::fstat(fd->get(), opened) != 0) {
        *error = systemError("cannot examine", path);
        return Opened::Failed;
    }
    if (!S_ISREG(opened->st_mode)) {
        *error = path + " is not a regular file";
        return Opened::Failed;
    }
    while (::flock(fd->get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            *error = systemError("cannot lock", path);
            return Opened::Failed;
        }
    }
    struct stat named {};
    if (::lstat(path.c_str(), &named) != 0) {
        if (errno == ENOENT) {
            return Opened::Moved;
        }
        *error = systemError("cannot examine", path);
        return Opened::Failed;
    }
    return named.st_dev == opened->st_dev && named.st_ino == opened->st_ino ? Opened::Locked
                                                                            : Opened::Moved;
}

// Retries while the file is renamed away under this side.
Opened openLockedRetrying(const std::string& path, int flags, Descriptor* fd, struct stat* opened,
                          std::string* error) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const Opened result = openLocked(path, flags, fd, opened, error);
        if (result != Opened::Moved) {
            return result;
        }
    }
    *error = path + " keeps being replaced while it is opened";
    return Opened::Failed;
}

std::string takenName(int attempt) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    char stamp[kStampDigits + 1];
    std::snprintf(stamp, sizeof stamp, "%020lld",
                  static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    std::string name = std::string(kTakenPrefix) + stamp + "-" + std::to_string(getpid());
    if (attempt > 0) {
        name += "-" + std::to_string(attempt);
    }
    return name;
}

bool isDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isTakenName(std::string_view name) {
    if (!name.starts_with(kTakenPrefix)) {
        return false;
    }
    name.remove_prefix(kTakenPrefix.size());
    if (name.size() < kStampDigits + 2 || !isDigits(name.substr(0, kStampDigits)) ||
        name[kStampDigits] != '-') {
        return false;
    }
    name.remove_prefix(kStampDigits + 1);
    const size_t dash = name.find('-');
    return isDigits(name.substr(0, dash)) &&
           (dash == std::string_view::npos || isDigits(name.substr(dash + 1)));
}

}  // namespace

bool AppendHistoryLine(const std::string& path, std::string_view line, std::string* error) {
    if (line.find_first_of("\r\n") != std::string_view::npos) {
        *error = "a history line cannot hold a line break";
        return false;
    }
    Descriptor fd;
    struct stat opened {};
    if (openLockedRetrying(path, O_WRONLY | O_APPEND | O_CREAT, &fd, &opened, error) !=
        Opened::Locked) {
        return false;
    }
    std::string record(line);
    record += "\r\n";
    size_t written = 0;
    while (written < record.size()) {
        const ssize_t n = ::write(fd.get(), record.data() + written, record.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            *error = systemError("cannot write", path);
            // Under the lock nobody else appended, so the file's size before
            // this write is where the torn line starts.
            if (written > 0 && ::ftruncate(fd.get(), opened.st_size) != 0) {
                *error += "; a part of the line stays in the file";
            }
            return false;
        }
        written += static_cast<size_t>(n);
    }
    if (::fdatasync(fd.get()) != 0) {
        *error = systemError("cannot flush", path);
        return false;
    }
    return true;
}

std::optional<std::string> TakeOverHistoryFile(const std::string& path, std::string* error) {
    error->clear();
    Descriptor fd;
    struct stat opened {};
    if (openLockedRetrying(path, O_RDONLY, &fd, &opened, error) != Opened::Locked) {
        return std::nullopt;
    }
    std::filesystem::path directory = std::filesystem::path(path).parent_path();
    if (directory.empty()) {
        directory = ".";
    }
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string taken = (directory / takenName(attempt)).string();
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, taken.c_str(), RENAME_NOREPLACE) == 0) {
            return taken;
        }
        if (errno != EEXIST) {
            *error = systemError("cannot rename", path);
            return std::nullopt;
        }
    }
    *error = "no free name to take over " + path;
    return std::nullopt;
}

std::vector<std::string> TakenHistoryFiles(const std::string& directory) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(directory, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (isTakenName(name) &&
            it->symlink_status(ec).type() == std::filesystem::file_type::regular) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> paths;
    for (const auto& name : names) {
        paths.push_back((std::filesystem::path(directory) / name).string());
    }
    return paths;
}

}  // namespace zelkor::platform
