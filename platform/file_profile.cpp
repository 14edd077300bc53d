// Profile files in the folder that stands in for the Windows directory.
// Names match case-insensitively, as on the system these files come from,
// so "System.ini" finds an existing "system.ini". Writes are read-modify-
// write under an update lock and replace the file atomically.

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/ini_document.h"
#include "platform/profile.h"
#include "platform/registry_data.h"
#include "platform/store_file.h"
#include "platform/text.h"

namespace zelkor::platform {

namespace {

constexpr mode_t kNewProfileMode = 0644;

void report(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
}

// Only a plain file name: a profile name must not reach outside the folder.
bool isPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

class FileProfile : public Profile {
  public:
    explicit FileProfile(std::string folder) : folder_(std::move(folder)) {}

    std::optional<std::string> windowsDirectory() override {
        if (folder_.empty()) {
            return std::nullopt;
        }
        return folder_;
    }

    int getProfileInt(std::string_view section, std::string_view key, int defaultValue) override {
        return profileInt(read("win.ini", section, key), defaultValue);
    }

    std::optional<std::string> getPrivateProfileString(std::string_view section,
                                                       std::string_view key,
                                                       std::string_view fileName) override {
        return read(fileName, section, key);
    }

    bool writePrivateProfileString(std::string_view section, std::string_view key,
                                   std::string_view value, std::string_view fileName) override {
        if (folder_.empty() || !isPlainFileName(fileName)) {
            return false;
        }
        // One lock for every spelling of the name, so writers that spell it
        // differently still take turns.
        FileLock lock(folder_ + "/" + toLowerAscii(fileName));
        if (!lock.locked()) {
            report("profile: " + lock.error());
            return false;
        }
        const auto path = resolve(fileName);
        std::string text;
        std::string error;
        const auto status = readWholeFile(path, &text, &error);
        if (status == ReadStatus::Failed) {
            report("profile: " + error);
            return false;
        }
        auto doc = IniDocument::parse(text);
        if (!doc.set(section, key, value)) {
            return false;
        }
        auto updated = doc.format();
        if (status == ReadStatus::Ok && updated == text) {
            return true;
        }
        struct stat info {};
        const mode_t mode = status == ReadStatus::Ok && ::stat(path.c_str(), &info) == 0
                                ? info.st_mode & 07777
                                : kNewProfileMode;
        if (!writeFileAtomically(path, updated, mode, &error)) {
            report("profile: " + error);
            return false;
        }
        return true;
    }

  private:
    // The existing file whose name matches case-insensitively (the exact
    // spelling first, else the first in name order), else the name as given.
    std::string resolve(std::string_view fileName) const {
        const auto exact = folder_ + "/" + std::string(fileName);
        std::error_code ec;
        if (std::filesystem::exists(exact, ec)) {
            return exact;
        }
        std::string best;
        for (const auto& entry : std::filesystem::directory_iterator(folder_, ec)) {
            const auto name = entry.path().filename().string();
            if (equalsIgnoreCase(name, fileName) && (best.empty() || name < best)) {
                best = name;
            }
        }
        return best.empty() ? exact : folder_ + "/" + best;
    }

    std::optional<std::string> read(std::string_view fileName, std::string_view section,
                                    std::string_view key) const {
        if (folder_.empty() || !isPlainFileName(fileName)) {
            return std::nullopt;
        }
        std::string text;
        std::string error;
        switch (readWholeFile(resolve(fileName), &text, &error)) {
            case ReadStatus::Missing:
                return std::nullopt;
            case ReadStatus::Failed:
                report("profile: " + error);
                return std::nullopt;
            case ReadStatus::Ok:
                break;
        }
        return IniDocument::parse(text).get(section, key);
    }

    std::string folder_;
};

}  // namespace

std::optional<std::string> defaultWindowsDirectory() {
    const char* chosen = std::getenv("ZELKOR_WINDIR");
    if (chosen != nullptr && chosen[0] != '\0') {
        return std::string(chosen);
    }
    return zelkorConfigDirectory();
}

std::unique_ptr<Profile> openFileProfile(std::string windowsDirectory) {
    return std::make_unique<FileProfile>(std::move(windowsDirectory));
}

}  // namespace zelkor::platform
