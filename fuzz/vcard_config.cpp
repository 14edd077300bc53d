// The card's configuration file parser on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "vcard/config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zelkor::vcard::VcardConfig config;
    std::string error;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!zelkor::vcard::parseVcardConfig(text, "fuzz.ini", config, error) && error.empty()) {
        __builtin_trap();  // a refusal always says why
    }
    return 0;
}
