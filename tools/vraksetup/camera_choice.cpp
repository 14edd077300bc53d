#include "tools/vraksetup/camera_choice.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "vcard/scene.h"

namespace zelkor::tools {

namespace {

constexpr std::string_view kScene = "scene:";
constexpr std::string_view kDevicePrefix = "/dev/video";
constexpr std::string_view kSchemeEnd = "://";

CameraSource refuse(std::string error) {
    return {{}, std::move(error)};
}

bool allDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isY4mFile(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return extension == ".y4m";
}

CameraSource fileSource(std::string_view text) {
    const std::filesystem::path path(text);
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) {
        return refuse("no such file: " + std::string(text));
    }
    if (!std::filesystem::is_regular_file(status)) {
        return refuse("not a video file: " + std::string(text));
    }
    const auto absolute = std::filesystem::absolute(path, ec).lexically_normal();
    if (ec) {
        return refuse("cannot make an absolute path of " + std::string(text));
    }
    return {(isY4mFile(path) ? "y4m:" : "stream:") + absolute.string(), {}};
}

}  // namespace

bool IsCameraAddress(std::string_view text) {
    const size_t end = text.find(kSchemeEnd);
    if (end == std::string_view::npos || end == 0 || end + kSchemeEnd.size() == text.size() ||
        std::isalpha(static_cast<unsigned char>(text[0])) == 0) {
        return false;
    }
    return std::all_of(text.begin(), text.begin() + long(end), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '+' || c == '-' || c == '.';
    });
}

std::string MaskCredentials(std::string_view text) {
    const size_t scheme = text.find(kSchemeEnd);
    if (scheme == std::string_view::npos) {
        return std::string(text);
    }
    const size_t start = scheme + kSchemeEnd.size();
    const size_t hostEnd = std::min(text.find_first_of("/?#", start), text.size());
    const size_t at = text.substr(0, hostEnd).rfind('@');
    if (at == std::string_view::npos || at < start) {
        return std::string(text);
    }
    return std::string(text.substr(0, start)) + "***" + std::string(text.substr(at));
}

CameraSource CameraSourceOf(std::string_view camera) {
    if (camera.empty()) {
        return refuse("no camera given");
    }
    // The location becomes one line of the card's configuration.
    if (std::any_of(camera.begin(), camera.end(),
                    [](unsigned char c) { return c < 0x20 || c == 0x7F; })) {
        return refuse("the camera may not contain control characters or line breaks");
    }
    if (camera.front() == ' ' || camera.back() == ' ') {
        return refuse("the camera may not begin or end with a blank");
    }
    if (camera.starts_with(kScene)) {
        if (!vcard::isSceneName(camera.substr(kScene.size()))) {
            return refuse("unknown scene \"" + std::string(camera.substr(kScene.size())) +
                          "\" (known: " + std::string(vcard::sceneNames()) + ")");
        }
        return {std::string(camera), {}};
    }
    if (camera.starts_with("/dev/")) {
        if (!camera.starts_with(kDevicePrefix) || !allDigits(camera.substr(kDevicePrefix.size()))) {
            return refuse("not a video device: " + std::string(camera) + " (expected /dev/videoN)");
        }
        return {"v4l2:" + std::string(camera), {}};
    }
    if (IsCameraAddress(camera)) {
        return {"stream:" + std::string(camera), {}};
    }
    if (camera.find(kSchemeEnd) != std::string_view::npos) {
        return refuse("not a camera address: " + MaskCredentials(camera));
    }
    return fileSource(camera);
}

}  // namespace zelkor::tools
