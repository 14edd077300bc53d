#pragma once
// A small file system of a test's own (a tmpfs in a temporary folder) that
// can be filled to the last byte and given room again, for writers that
// must cope with a full disk. Mounting needs the right to mount; `mounted`
// tells, `error` says why not.

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "tests/support/temp_dir.h"

namespace zelkor::testing {

class SmallDisk {
  public:
    explicit SmallDisk(const std::string& size = "64k") {
        if (::mount("tmpfs", dir_.path().c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0) {
            mounted_ = true;
        } else {
            error_ = std::strerror(errno);
        }
    }
    ~SmallDisk() {
        if (mounted_) {
            ::umount2(dir_.path().c_str(), MNT_DETACH);
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& error() const { return error_; }
    const std::string& path() const { return dir_.path(); }

    // Writes a filler file until not one byte more fits; false when the
    // disk never ran full.
    bool fill() {
        const int fd =
            ::open(fillerPath().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd < 0) {
            return false;
        }
        static const char block[4096] = {};
        bool full = false;
        for (size_t chunk = sizeof block; chunk > 0 && !full;) {
            const ssize_t n = ::write(fd, block, chunk);
            if (n < 0 && errno == ENOSPC) {
                chunk /= 2;
                full = chunk == 0;
            } else if (n <= 0) {
                break;
            }
        }
        ::close(fd);
        return full;
    }
    // Gives the filler's room back.
    void free() { ::unlink(fillerPath().c_str()); }

  private:
    std::string fillerPath() const { return dir_.path() + "/filler"; }

    TempDir dir_;
    bool mounted_ = false;
    std::string error_;
};

}  // namespace zelkor::testing
