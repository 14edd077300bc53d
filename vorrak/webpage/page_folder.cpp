#include "vorrak/webpage/page_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/store_file.h"

namespace zelkor::vorrak::webpage {

namespace {

constexpr mode_t kFolderMode = 0755;
constexpr mode_t kFileMode = 0644;

bool plainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

}  // namespace

PageFolder::~PageFolder() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool PageFolder::open(const std::string& path, std::string* error, FolderKind kind) {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    const bool own = kind == FolderKind::Own;
    if (own && ::mkdir(path.c_str(), kFolderMode) != 0 && errno != EEXIST) {
        *error = platform::describeFileError("cannot make", path, errno);
        return false;
    }
    fd_ = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (own ? O_NOFOLLOW : 0));
    if (fd_ < 0) {
        *error = platform::describeFileError("cannot open the folder", path, errno);
        return false;
    }
    return true;
}

bool PageFolder::write(std::string_view name, std::string_view contents, std::string* error) {
    if (fd_ < 0 || !plainName(name)) {
        *error = "not a file name of the page's folder: " + std::string(name);
        return false;
    }
    const std::string temp = "." + std::string(name) + ".tmp-" + std::to_string(::getpid());
    // Whatever stands at the temporary name (a link, a hard link to a file
    // elsewhere) goes first: only a file made here is written.
    ::unlinkat(fd_, temp.c_str(), 0);
    const int fd = ::openat(fd_, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                            kFileMode);
    if (fd < 0) {
        *error = platform::describeFileError("cannot write", temp, errno);
        return false;
    }
    const bool written = platform::writeAll(fd, contents);
    const int reason = errno;
    if (::close(fd) != 0 || !written) {
        *error = platform::describeFileError("cannot write", temp, written ? errno : reason);
        ::unlinkat(fd_, temp.c_str(), 0);
        return false;
    }
    if (::renameat(fd_, temp.c_str(), fd_, std::string(name).c_str()) != 0) {
        *error = platform::describeFileError("cannot replace", std::string(name), errno);
        ::unlinkat(fd_, temp.c_str(), 0);
        return false;
    }
    return true;
}

bool PageFolder::mayReplace(std::string_view name, std::string_view head) const {
    if (fd_ < 0 || !plainName(name)) {
        return false;
    }
    const int fd =
        ::openat(fd_, std::string(name).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // A link is replaced, never followed; anything else there stays.
        struct stat st {};
        return errno == ENOENT ||
               (::fstatat(fd_, std::string(name).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(st.st_mode));
    }
    struct stat st {};
    std::string start(head.size(), '\0');
    const bool file = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    const ssize_t got = file ? ::pread(fd, start.data(), start.size(), 0) : -1;
    ::close(fd);
    return file && (st.st_size == 0 || (got == ssize_t(head.size()) && start == head));
}

void PageFolder::prune(std::string_view prefix, const std::set<std::string>& keep) {
    if (fd_ < 0) {
        return;
    }
    const int listFd = ::dup(fd_);
    DIR* dir = listFd < 0 ? nullptr : ::fdopendir(listFd);
    if (dir == nullptr) {
        if (listFd >= 0) {
            ::close(listFd);
        }
        return;
    }
    ::rewinddir(dir);
    std::set<std::string> gone;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.starts_with(prefix) && plainName(name) && !keep.contains(name)) {
            gone.insert(name);
        }
    }
    ::closedir(dir);
    for (const std::string& name : gone) {
        // Without AT_REMOVEDIR a folder stays; a link goes, not what it
        // leads to.
        ::unlinkat(fd_, name.c_str(), 0);
    }
}

}  // namespace zelkor::vorrak::webpage
