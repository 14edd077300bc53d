#include "manage/event_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace zelkor::manage {

namespace {

struct EventFileForm {
    std::string_view prefix;
    std::string_view extension;
};

constexpr EventFileForm kEventFileForms[] = {
    {"error", ".bmp"}, {"err", ".bmp"}, {"error", ".avi"}, {"manual", ".bmp"}, {"manual", ".avi"},
};

// A folder held open while the removal walks down to the file, so the
// walk goes through the folders that were checked and never through a
// link put in their place since.
class WalkedFolder {
  public:
    explicit WalkedFolder(const char* path)
        : fd_(::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
    ~WalkedFolder() { leave(); }
    WalkedFolder(const WalkedFolder&) = delete;
    WalkedFolder& operator=(const WalkedFolder&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    // Goes into the folder `name`, which must be a folder and not a link;
    // closed when it is not (or this folder was not open).
    bool enter(const char* name) {
        const int inner = ::openat(fd_, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        leave();
        fd_ = inner;
        return isOpen();
    }

  private:
    void leave() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }

    int fd_;
};

}  // namespace

bool IsEventFileName(std::string_view name) {
    return std::any_of(
        std::begin(kEventFileForms), std::end(kEventFileForms), [name](const EventFileForm& form) {
            if (!name.starts_with(form.prefix) || !name.ends_with(form.extension) ||
                name.size() <= form.prefix.size() + form.extension.size()) {
                return false;
            }
            const std::string_view number = name.substr(
                form.prefix.size(), name.size() - form.prefix.size() - form.extension.size());
            return std::all_of(number.begin(), number.end(), [](char c) {
                return std::isdigit(static_cast<unsigned char>(c)) != 0;
            });
        });
}

FileRemoval RemoveEventFile(const std::string& workingDirectory, const std::string& path,
                            std::string* error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        // A path that cannot even be looked at is not known to be gone.
        return ec ? FileRemoval::Kept : FileRemoval::Missing;
    }
    const fs::path target = fs::canonical(path, ec);
    if (ec) {
        return FileRemoval::Kept;
    }
    const fs::path root = fs::canonical(workingDirectory, ec);
    if (ec) {
        return FileRemoval::Kept;
    }
    // Both paths are free of links, dots and doubled separators, so the
    // relative path starts with ".." exactly when the file lies outside.
    const fs::path inside = target.lexically_relative(root);
    if (inside.empty() || *inside.begin() == ".." || inside == "." ||
        !IsEventFileName(target.filename().native())) {
        return FileRemoval::Kept;
    }
    WalkedFolder folder(root.c_str());
    for (const fs::path& part : inside.parent_path()) {
        if (!folder.enter(part.c_str())) {
            break;
        }
    }
    const std::string name = target.filename().native();
    struct stat status {};
    if (!folder.isOpen() ||
        ::fstatat(folder.fd(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(status.st_mode)) {
        return FileRemoval::Kept;
    }
    if (::unlinkat(folder.fd(), name.c_str(), 0) != 0) {
        *error = std::string(std::strerror(errno)) + ": " + path;
        return FileRemoval::Failed;
    }
    return FileRemoval::Removed;
}

}  // namespace zelkor::manage
