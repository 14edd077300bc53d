#pragma once
// Free disk space and file sizes.

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace zelkor::platform {

class Disk {
  public:
    virtual ~Disk() = default;
    // Bytes available to this program on the file system that holds `path`.
    virtual std::optional<uint64_t> freeBytes(std::string_view path) = 0;
    // The size of the file at `path`, nothing when it cannot be opened.
    virtual std::optional<uint64_t> fileBytes(std::string_view path) = 0;
};

std::unique_ptr<Disk> makeDisk();

}  // namespace zelkor::platform
