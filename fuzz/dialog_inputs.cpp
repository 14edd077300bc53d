// What the user types or chooses in the capture dialogs: the frame rate
// text, a file name from the file dialog, and a wave format record a
// chooser hands back. Any bytes must be read without faults and give only
// what the rules allow.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "vorrak/dialogs/capture_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zelkor::vorrak;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const uint32_t rate = FrameRateFromText(text);
    if (rate < kMinFrameRate || rate > kMaxFrameRate) {
        std::abort();
    }

    // The extension is the end of the name, after a dot, with neither a dot
    // nor a path separator in it.
    const std::string_view extension = ExtensionOf(text);
    if (!extension.empty() &&
        (!text.ends_with(extension) || text[text.size() - extension.size() - 1] != '.' ||
         extension.find_first_of("./\\") != std::string_view::npos)) {
        std::abort();
    }
    if (IsAviExtension(extension) && extension.size() != 3) {
        std::abort();
    }

    const std::string_view place = FreeSpacePlace(text);
    if (!text.starts_with(place)) {
        std::abort();
    }
    if (FreeSpaceText(text, rate).find("Free Disk Space (") != 0) {
        std::abort();
    }

    const size_t bytes = WaveFormatRecordBytes(std::span<const uint8_t>(data, size));
    if (bytes > size || (bytes != 0 && bytes < 18)) {
        std::abort();
    }
    return 0;
}
