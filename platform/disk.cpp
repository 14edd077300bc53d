#include <filesystem>
#include <string>

#include "platform/disk.h"

namespace zelkor::platform {

namespace {

class FileSystemDisk : public Disk {
  public:
    std::optional<uint64_t> freeBytes(std::string_view path) override {
        // A file yet to be written (a clip's name before its recording) is
        // on the file system of its folder.
        const std::filesystem::path asked{std::string(path)};
        std::error_code ec;
        auto info = std::filesystem::space(asked, ec);
        if (ec && asked.has_parent_path()) {
            info = std::filesystem::space(asked.parent_path(), ec);
        }
        if (ec) {
            return std::nullopt;
        }
        return uint64_t(info.available);
    }

    std::optional<uint64_t> fileBytes(std::string_view path) override {
        std::error_code ec;
        const auto size = std::filesystem::file_size(std::filesystem::path(std::string(path)), ec);
        if (ec) {
            return std::nullopt;
        }
        return uint64_t(size);
    }
};

}  // namespace

std::unique_ptr<Disk> makeDisk() {
    return std::make_unique<FileSystemDisk>();
}

}  // namespace zelkor::platform
