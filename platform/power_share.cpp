#include "platform/power_share.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <optional>
#include <vector>

namespace zelkor::platform {

namespace {

// In the instance folder: the lock every change is made under, the state to
// restore, and one file per holder, locked by it while it lives.
constexpr const char* kLockName = "ZelkorPower.lock";
constexpr const char* kSavedName = "ZelkorPower.saved";
constexpr std::string_view kHolderPrefix = "ZelkorPower.holder.";

int openNoFollow(const std::string& path, int flags) {
    return ::open(path.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0600);
}

// Held for one change: programs starting or ending at the same moment see
// each other's holds.
class FolderLock {
  public:
    explicit FolderLock(const std::string& directory)
        : fd_(openNoFollow(directory + "/" + kLockName, O_RDWR | O_CREAT)) {
        if (fd_ >= 0) {
            flock(fd_, LOCK_EX);
        }
    }
    ~FolderLock() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

  private:
    int fd_;
};

class SharedPower : public Power {
  public:
    SharedPower(std::unique_ptr<Power> inner, std::string directory)
        : inner_(std::move(inner)), directory_(std::move(directory)) {}
    // As a program that is killed: the hold ends, the saved state stays.
    ~SharedPower() override {
        if (holdFd_ >= 0) {
            close(holdFd_);
        }
    }

    std::optional<bool> powerOffActive() override {
        FolderLock lock(directory_);
        if (const auto saved = readSaved()) {
            return saved;
        }
        return inner_->powerOffActive();
    }

    bool setPowerOffActive(bool active) override {
        FolderLock lock(directory_);
        if (!active) {
            if (!readSaved()) {
                writeSaved(inner_->powerOffActive().value_or(false));
            }
            hold();
            return inner_->setPowerOffActive(false);
        }
        release();
        if (othersHold()) {
            return true;
        }
        ::unlink(path(kSavedName).c_str());
        return inner_->setPowerOffActive(true);
    }

  private:
    std::string path(std::string_view name) const { return directory_ + "/" + std::string(name); }

    std::optional<bool> readSaved() const {
        const int fd = openNoFollow(path(kSavedName), O_RDONLY);
        if (fd < 0) {
            return std::nullopt;
        }
        char c = 0;
        const bool read = ::read(fd, &c, 1) == 1;
        close(fd);
        if (!read || (c != '0' && c != '1')) {
            return std::nullopt;
        }
        return c == '1';
    }

    void writeSaved(bool active) const {
        const int fd = openNoFollow(path(kSavedName), O_WRONLY | O_CREAT | O_TRUNC);
        if (fd >= 0) {
            const char c = active ? '1' : '0';
            (void)!::write(fd, &c, 1);
            close(fd);
        }
    }

    void hold() {
        if (holdFd_ >= 0) {
            return;
        }
        // Unique in this process as well, for programs that hold twice.
        static std::atomic<unsigned> next{0};
        holdPath_ = path(std::string(kHolderPrefix) + std::to_string(getpid()) + "." +
                         std::to_string(next++));
        holdFd_ = openNoFollow(holdPath_, O_RDWR | O_CREAT);
        if (holdFd_ >= 0) {
            flock(holdFd_, LOCK_EX);
        }
    }

    void release() {
        if (holdFd_ >= 0) {
            ::unlink(holdPath_.c_str());
            close(holdFd_);
            holdFd_ = -1;
        }
    }

    // Whether another program holds the feature off; the holders' files of
    // programs that are gone are removed on the way.
    bool othersHold() const {
        DIR* dir = opendir(directory_.c_str());
        if (dir == nullptr) {
            return false;
        }
        std::vector<std::string> holders;
        while (const dirent* entry = readdir(dir)) {
            if (std::string_view(entry->d_name).starts_with(kHolderPrefix)) {
                holders.push_back(path(entry->d_name));
            }
        }
        closedir(dir);
        bool held = false;
        for (const auto& holder : holders) {
            const int fd = openNoFollow(holder, O_RDWR);
            if (fd < 0) {
                continue;
            }
            if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
                ::unlink(holder.c_str());
            } else {
                held = true;
            }
            close(fd);
        }
        return held;
    }

    std::unique_ptr<Power> inner_;
    std::string directory_;
    std::string holdPath_;
    int holdFd_ = -1;
};

}  // namespace

std::unique_ptr<Power> sharePower(std::unique_ptr<Power> inner, std::string directory) {
    return std::make_unique<SharedPower>(std::move(inner), std::move(directory));
}

}  // namespace zelkor::platform
