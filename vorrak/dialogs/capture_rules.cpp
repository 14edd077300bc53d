#include "vorrak/dialogs/capture_rules.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "formats/byte_order.h"
#include "formats/wave_format.h"

namespace zelkor::vorrak {

uint32_t FrameRateFromText(std::string_view text) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        })) {
        return kMinFrameRate;
    }
    // Digits past what a frame rate can be only make it larger: stop
    // reading once it is above the limit instead of overflowing.
    uint32_t rate = 0;
    for (const char c : text) {
        rate = rate * 10 + uint32_t(c - '0');
        if (rate > kMaxFrameRate) {
            return kMaxFrameRate;
        }
    }
    return rate == 0 ? kMinFrameRate : rate;
}

std::string_view ExtensionOf(std::string_view path) {
    const size_t name = path.find_last_of("/\\");
    const std::string_view file = name == std::string_view::npos ? path : path.substr(name + 1);
    const size_t dot = file.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : file.substr(dot + 1);
}

bool IsAviExtension(std::string_view extension) {
    constexpr std::string_view avi = "AVI";
    return extension.size() == avi.size() &&
           std::equal(extension.begin(), extension.end(), avi.begin(), [](char a, char b) {
               return std::toupper(static_cast<unsigned char>(a)) == b;
           });
}

std::string_view FreeSpacePlace(std::string_view path) {
    if (path.size() >= 2 && path[1] == ':') {
        return path.substr(0, 2);
    }
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        return {};
    }
    return path.substr(0, slash == 0 ? 1 : slash);
}

std::string FreeSpaceText(std::string_view place, uint32_t freeMB) {
    // A folder's name has no length limit of its own: measure, then write.
    constexpr const char* format = "Free Disk Space (%.*s)   %u  MBytes";
    const int length = std::snprintf(nullptr, 0, format, int(place.size()), place.data(), freeMB);
    std::string text(size_t(std::max(length, 0)), '\0');
    std::snprintf(text.data(), text.size() + 1, format, int(place.size()), place.data(), freeMB);
    return text;
}

size_t WaveFormatRecordBytes(std::span<const uint8_t> buffer) {
    if (buffer.size() < formats::WaveFormatRecordSize) {
        return 0;
    }
    const size_t codecBytes = formats::getLe16(buffer, formats::WaveFormatFieldsSize);
    return std::min(buffer.size(), formats::WaveFormatRecordSize + codecBytes);
}

}  // namespace zelkor::vorrak
