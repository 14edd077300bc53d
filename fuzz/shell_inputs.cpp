// Texts from outside at start-up (the command line, the display library's
// version in the settings store) and the command sender's arguments: any
// bytes must be read without faults and give only what the rules allow.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/text.h"
#include "vorrak/shell/startup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::string dir = zelkor::vorrak::ProgramDirFromCommandLine(text);
    // Either the fallback or a part of the line's first 255 characters.
    if (dir != "c:\\" && (dir.size() >= 255 || text.find(dir) == std::string_view::npos)) {
        std::abort();
    }

    const int version = zelkor::vorrak::DirectXVersionNumber(text);
    if (version < -1 || version > 999 || (size < 4 && version != -1)) {
        std::abort();
    }

    if (const auto id = zelkor::platform::parseDecimal(text)) {
        const size_t first = text.find_first_not_of('0');
        const std::string_view digits = first == std::string_view::npos ? "0" : text.substr(first);
        if (digits != std::to_string(*id)) {
            std::abort();
        }
    }
    return 0;
}
