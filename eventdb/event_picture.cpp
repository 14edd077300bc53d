#include "eventdb/event_picture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zelkor::eventdb {

std::optional<std::string> ReadEventPicture(const std::string& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    // Not blocking: a pipe under the bitmap's name must not stop Histran.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    std::optional<std::string> bytes;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kMaxPictureBytes) {
        std::string data(static_cast<size_t>(info.st_size), '\0');
        size_t done = 0;
        char extra = 0;
        bool ok = true;
        while (ok && done < data.size()) {
            const ssize_t n = ::read(fd, data.data() + done, data.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            ok = n > 0;
            done += ok ? static_cast<size_t>(n) : 0;
        }
        // A file that grew while it was read is not the file that was measured.
        if (ok && ::read(fd, &extra, 1) == 0) {
            bytes = std::move(data);
        }
    }
    ::close(fd);
    return bytes;
}

}  // namespace zelkor::eventdb
