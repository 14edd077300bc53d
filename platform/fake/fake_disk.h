#pragma once
// Disk sizes for tests, set per path prefix; the longest prefix that matches
// a path gives its answer, and a path no prefix matches has none.

#include <map>
#include <optional>
#include <string>

#include "platform/disk.h"

namespace zelkor::platform {

class FakeDisk : public Disk {
  public:
    // Free bytes on the file system of every path starting with `prefix`.
    void setFreeBytes(std::string prefix, std::optional<uint64_t> bytes) {
        free_[std::move(prefix)] = bytes;
    }
    // The size of every file whose path starts with `prefix`.
    void setFileBytes(std::string prefix, std::optional<uint64_t> bytes) {
        files_[std::move(prefix)] = bytes;
    }

    std::optional<uint64_t> freeBytes(std::string_view path) override {
        return lookup(free_, path);
    }
    std::optional<uint64_t> fileBytes(std::string_view path) override {
        return lookup(files_, path);
    }

  private:
    using Table = std::map<std::string, std::optional<uint64_t>, std::less<>>;
    static std::optional<uint64_t> lookup(const Table& table, std::string_view path);

    Table free_;
    Table files_;
};

}  // namespace zelkor::platform
