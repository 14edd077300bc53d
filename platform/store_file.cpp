#include "platform/store_file.h"

#include <dirent.h>
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

// Temporary files are "<target>" + kTemporaryMark + six characters of mkstemp:
// a form of their own, so no other file beside the target is taken for one.
constexpr std::string_view kTemporaryMark = ".tmp-";
constexpr size_t kTemporaryRandom = 6;
// As the kernel allows when it follows links itself.
constexpr int kMaxLinkHops = 40;

std::string parentOf(const std::string& path) {
    const auto parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

bool lockExclusive(int fd) {
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

// Removes the temporary files beside `target` whose writers are gone. A
// writer holds its file's lock from creation until the rename, so a lock
// that can be taken belongs to nobody; the name is checked again under the
// lock, as the writer may have renamed its file in the meantime. Nothing
// here can fail the write that follows, so errors only skip a file.
void removeStaleTemporaries(const std::string& target) {
    const std::string folder = parentOf(target);
    const std::string prefix =
        std::filesystem::path(target).filename().string() + std::string(kTemporaryMark);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() != prefix.size() + kTemporaryRandom || !name.starts_with(prefix)) {
            continue;
        }
        const std::string path = folder + "/" + std::string(name);
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat opened {};
        struct stat named {};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 &&
            S_ISREG(opened.st_mode) && ::lstat(path.c_str(), &named) == 0 &&
            named.st_dev == opened.st_dev && named.st_ino == opened.st_ino) {
            ::unlink(path.c_str());
        }
        ::close(fd);
    }
    ::closedir(dir);
}

// A new temporary file beside `target`, locked. Between its creation and
// its lock another writer may take it for a dead writer's and remove it; a
// file without a name any more is then replaced by a new one.
int createTemporary(const std::string& target, std::string* temp, std::string* error) {
    constexpr int kAttempts = 8;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string name =
            target + std::string(kTemporaryMark) + std::string(kTemporaryRandom, 'X');
        const int fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) {
            *error = describeFileError("cannot create a temporary file for", target, errno);
            return -1;
        }
        struct stat info {};
        if (!lockExclusive(fd) || ::fstat(fd, &info) != 0) {
            *error = describeFileError("cannot lock", name, errno);
            ::close(fd);
            ::unlink(name.c_str());
            return -1;
        }
        if (info.st_nlink > 0) {
            *temp = std::move(name);
            return fd;
        }
        ::close(fd);
    }
    *error = "cannot keep a temporary file beside " + target + ": it is removed each time";
    return -1;
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

std::string describeFileError(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
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

ReadStatus readWholeFile(const std::string& path, std::string* contents, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return ReadStatus::Missing;
        }
        *error = describeFileError("cannot open", path, errno);
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
            *error = describeFileError("cannot read", path, errno);
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
    // Never through a link: one planted there would make us create files elsewhere.
    fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        error_ = describeFileError("cannot open", lockPath, errno);
        return;
    }
    if (!lockExclusive(fd_)) {
        error_ = describeFileError("cannot lock", lockPath, errno);
        ::close(fd_);
        fd_ = -1;
    }
}

FileLock::~FileLock() {
    if (fd_ >= 0) {
        ::close(fd_);  // closing releases the lock
    }
}

std::optional<std::string> writeTarget(const std::string& path, std::string* error) {
    std::filesystem::path current = path;
    for (int hops = 0; hops <= kMaxLinkHops; ++hops) {
        struct stat info {};
        const bool listed = ::lstat(current.c_str(), &info) == 0;
        if (!listed || !S_ISLNK(info.st_mode)) {
            struct stat folder {};
            if (hops > 0 && !listed && errno == ENOENT &&
                (::stat(parentOf(current.string()).c_str(), &folder) != 0 ||
                 !S_ISDIR(folder.st_mode))) {
                *error = "cannot write through the link " + path + ": the folder of " +
                         current.string() + " is missing";
                return std::nullopt;
            }
            return current.string();
        }
        std::error_code ec;
        const auto next = std::filesystem::read_symlink(current, ec);
        if (ec) {
            *error = "cannot read the link " + current.string() + ": " + ec.message();
            return std::nullopt;
        }
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    *error = describeFileError("cannot write through", path, ELOOP);
    return std::nullopt;
}

bool writeFileAtomically(const std::string& path, std::string_view contents, mode_t mode,
                         std::string* error) {
    const auto target = writeTarget(path, error);
    if (!target) {
        return false;
    }
    removeStaleTemporaries(*target);
    std::string temp;
    const int fd = createTemporary(*target, &temp, error);
    if (fd < 0) {
        return false;
    }
    // The file stays open, and so locked, until it has its final name.
    if (!writeAll(fd, contents) || ::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) {
        *error = describeFileError("cannot write", temp, errno);
        ::unlink(temp.c_str());
        ::close(fd);
        return false;
    }
    if (::rename(temp.c_str(), target->c_str()) != 0) {
        *error = describeFileError("cannot replace", *target, errno);
        ::unlink(temp.c_str());
        ::close(fd);
        return false;
    }
    // fsync has reported any write error already.
    ::close(fd);
    if (!syncFolder(parentOf(*target))) {
        *error = describeFileError("cannot sync the folder of", *target, errno);
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
