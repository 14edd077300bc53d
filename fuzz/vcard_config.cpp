// The card's configuration file parser on arbitrary text, and the masking
// of logins that every stream address and FFmpeg log line passes through.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "vcard/config.h"
#include "vcard/stream_address.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zelkor::vcard::VcardConfig config;
    std::string error;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!zelkor::vcard::parseVcardConfig(text, "fuzz.ini", config, error) && error.empty()) {
        __builtin_trap();  // a refusal always says why
    }
    const std::string masked = zelkor::vcard::maskCredentials(text);
    if (masked.find("://") != std::string::npos && text.find("://") == std::string_view::npos) {
        __builtin_trap();  // masking only ever hides
    }
    return 0;
}
