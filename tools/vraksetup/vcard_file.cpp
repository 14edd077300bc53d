#include "tools/vraksetup/vcard_file.h"

#include <filesystem>
#include <system_error>

#include "platform/ini_document.h"
#include "platform/store_file.h"

namespace zelkor::tools {

namespace {
constexpr std::string_view kSection = "composite";
constexpr std::string_view kKey = "source";
constexpr mode_t kFileMode = 0644;
}  // namespace

std::string VcardFilePath(const char* environment, const std::string& programDir) {
    if (environment != nullptr && *environment != '\0') {
        return environment;
    }
    return (std::filesystem::path(programDir) / "vcard.ini").string();
}

std::string ReadCameraLocation(const std::string& file) {
    std::string text;
    std::string error;
    if (platform::readWholeFile(file, &text, &error) != platform::ReadStatus::Ok) {
        return {};
    }
    return platform::IniDocument::parse(text).get(kSection, kKey).value_or(std::string());
}

std::optional<std::string> WithCameraLocation(std::string_view text, std::string_view location) {
    platform::IniDocument document = platform::IniDocument::parse(text);
    if (!document.set(kSection, kKey, location)) {
        return std::nullopt;
    }
    return document.format();
}

bool WriteCameraLocation(const std::string& file, std::string_view location, std::string& error) {
    std::string text;
    if (platform::readWholeFile(file, &text, &error) == platform::ReadStatus::Failed) {
        return false;
    }
    const std::optional<std::string> changed = WithCameraLocation(text, location);
    if (!changed) {
        error = "the camera cannot be written as one line of " + file;
        return false;
    }
    // A station's file sits beside its store, whose folder a first set-up
    // may not have made yet; a missing folder is made as the store's is.
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(file).parent_path();
    if (!folder.empty() && !std::filesystem::create_directories(folder, ec) && ec) {
        error = "cannot create the folder of " + file + ": " + ec.message();
        return false;
    }
    return platform::writeFileAtomically(file, *changed, kFileMode, &error);
}

}  // namespace zelkor::tools
