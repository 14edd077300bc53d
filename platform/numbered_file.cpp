#include "platform/numbered_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/store_file.h"

namespace zelkor::platform {

namespace {

// Enough for every file a run can make; past it something is wrong with the
// folder, and giving up beats trying names for ever.
constexpr uint32_t kMaxAttempts = 10000;
constexpr mode_t kFileMode = 0644;

// A temporary file beside `near`, created exclusively under a name of this
// process's own, holding `contents`; synced when `durable`. Its path, or
// nothing (`error` set).
std::optional<std::string> writeTemporary(const std::string& near, std::string_view contents,
                                          bool durable, std::string* error) {
    static std::atomic<uint32_t> serial{0};
    for (uint32_t attempt = 0; attempt < kMaxAttempts; ++attempt) {
        const std::string temp =
            near + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(serial.fetch_add(1));
        const int fd =
            ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            *error = describeFileError("cannot create", temp, errno);
            return std::nullopt;
        }
        const bool written = writeAll(fd, contents) && (!durable || ::fsync(fd) == 0);
        const int writeError = errno;
        if (::close(fd) != 0 || !written) {
            *error = describeFileError("cannot write", temp, written ? errno : writeError);
            ::unlink(temp.c_str());
            return std::nullopt;
        }
        return temp;
    }
    *error = describeFileError("cannot create a temporary file beside", near, EEXIST);
    return std::nullopt;
}

}  // namespace

std::string NumberedName::path() const {
    return folder + "/" + stem + std::to_string(number) + "." + extension;
}

std::optional<std::string> createNumberedFile(NumberedName& name, std::string* error,
                                              const NameClaim& claim) {
    for (uint32_t attempt = 0; attempt < kMaxAttempts; ++attempt) {
        const std::string path = name.path();
        struct stat held {};
        // A claim is made only for a name that is free as far as can be
        // seen, so that a name someone holds is never claimed at all.
        const bool free = !claim || ::lstat(path.c_str(), &held) != 0;
        if (free) {
            if (claim) {
                claim(path, true);
            }
            const int fd = ::open(path.c_str(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode);
            if (fd >= 0) {
                ::close(fd);
                return path;
            }
            const int reason = errno;
            if (claim) {
                claim(path, false);
            }
            if (reason != EEXIST) {
                *error = describeFileError("cannot create", path, reason);
                return std::nullopt;
            }
        }
        if (name.number == UINT32_MAX) {
            break;
        }
        ++name.number;
    }
    *error = describeFileError("no free name for", name.path(), EEXIST);
    return std::nullopt;
}

bool replaceFile(const std::string& path, std::string_view contents, std::string* error,
                 Durability durability) {
    const auto temp = writeTemporary(path, contents, durability == Durability::Synced, error);
    if (!temp) {
        return false;
    }
    if (::rename(temp->c_str(), path.c_str()) != 0) {
        *error = describeFileError("cannot replace", path, errno);
        ::unlink(temp->c_str());
        return false;
    }
    return true;
}

bool overwriteFile(const std::string& path, std::string_view contents, std::string* error) {
    // Not blocking: a FIFO put in the file's place has no reader.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return replaceFile(path, contents, error);
    }
    struct stat st {};
    const bool inPlace =
        ::fstat(fd, &st) == 0 && ((S_ISREG(st.st_mode) && st.st_nlink == 1) || S_ISCHR(st.st_mode));
    if (!inPlace) {
        ::close(fd);
        return replaceFile(path, contents, error);
    }
    const bool shorter = S_ISREG(st.st_mode) && uint64_t(st.st_size) > contents.size();
    const bool written =
        writeAll(fd, contents) && (!shorter || ::ftruncate(fd, off_t(contents.size())) == 0);
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        *error = describeFileError("cannot write", path, written ? errno : writeError);
        return false;
    }
    return true;
}

}  // namespace zelkor::platform
