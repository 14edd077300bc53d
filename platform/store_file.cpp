#include "platform/store_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace zelkor::platform {

namespace {

std::string describe(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

std::string parentOf(const std::string& path) {
    const auto parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

bool writeAll(int fd, std::string_view contents) {
    while (!contents.empty()) {
        const auto written = ::write(fd, contents.data(), contents.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        contents.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// The rename is durable only once the folder entry itself reaches the disk.
bool syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

ReadStatus readWholeFile(const std::string& path, std::string* contents, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return ReadStatus::Missing;
        }
        *error = describe("cannot open", path, errno);
        return ReadStatus::Failed;
    }
    contents->clear();
    char buffer[16384];
    for (;;) {
        const auto got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            *error = describe("cannot read", path, errno);
            ::close(fd);
            return ReadStatus::Failed;
        }
        if (got == 0) {
            break;
        }
        contents->append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    return ReadStatus::Ok;
}

FileLock::FileLock(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(parentOf(path), ec);
    if (ec) {
        error_ = "cannot create the folder of " + path + ": " + ec.message();
        return;
    }
    const auto lockPath = path + ".lock";
    fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        error_ = describe("cannot open", lockPath, errno);
        return;
    }
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            error_ = describe("cannot lock", lockPath, errno);
            ::close(fd_);
            fd_ = -1;
            return;
        }
    }
}

FileLock::~FileLock() {
    if (fd_ >= 0) {
        ::close(fd_);  // closing releases the lock
    }
}

bool writeFileAtomically(const std::string& path, std::string_view contents, mode_t mode,
                         std::string* error) {
    std::string temp = path + ".XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = describe("cannot create a temporary file for", path, errno);
        return false;
    }
    temp.assign(name.data());
    const bool written = writeAll(fd, contents) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        *error = describe("cannot write", temp, written ? errno : writeError);
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        *error = describe("cannot replace", path, errno);
        ::unlink(temp.c_str());
        return false;
    }
    if (!syncFolder(parentOf(path))) {
        *error = describe("cannot sync the folder of", path, errno);
        return false;
    }
    return true;
}

std::optional<std::string> zelkorConfigDirectory() {
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the convention asks.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return std::string(xdg) + "/zelkor";
    }
    const char* home = std::getenv("HOME");
    std::string homeDir = home != nullptr ? home : "";
    if (homeDir.empty()) {
        struct passwd entry {};
        struct passwd* found = nullptr;
        std::vector<char> buffer(16384);
        if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
            found != nullptr && found->pw_dir != nullptr) {
            homeDir = found->pw_dir;
        }
    }
    if (homeDir.empty()) {
        return std::nullopt;
    }
    return homeDir + "/.config/zelkor";
}

}  // namespace zelkor::platform
