// A camera as the user names it, and the card configuration it is written
// into, both come from outside: any bytes must be taken or refused without
// faults, and a camera taken must go into any configuration as one line
// that reads back as written.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/ini_document.h"
#include "tools/vraksetup/camera_choice.h"
#include "tools/vraksetup/vcard_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zelkor;
    // The camera up to the first zero byte, the configuration after it.
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const size_t split = std::min(text.find('\0'), text.size());
    const std::string_view camera = text.substr(0, split);
    const std::string_view ini = text.substr(std::min(split + 1, text.size()));

    (void)tools::MaskCredentials(camera);
    const tools::CameraSource source = tools::CameraSourceOf(camera);
    if (source.location.empty() == source.error.empty()) {
        std::abort();
    }
    if (source.location.empty()) {
        return 0;
    }
    const auto written = tools::WithCameraLocation(ini, source.location);
    if (!written) {
        std::abort();
    }
    const auto back = platform::IniDocument::parse(*written).get("composite", "source");
    if (!back || *back != source.location) {
        std::abort();
    }
    return 0;
}
