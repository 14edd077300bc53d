// Profile files are kept line by line: any bytes must read without faults
// and format back to themselves, and a key written must read back as set.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/ini_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using zelkor::platform::IniDocument;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto doc = IniDocument::parse(text);
    if (doc.format() != text) {
        std::abort();
    }
    // Reuse the first line's bytes as names, so the write meets the
    // sections and keys the input already has.
    const auto firstLine = text.substr(0, text.find('\n'));
    const auto section = firstLine.substr(0, firstLine.size() / 2);
    const auto key = firstLine.substr(firstLine.size() / 2);
    const std::string value = "v" + std::to_string(size);
    const auto before = doc.get(section, key);
    if (doc.set(section, key, value)) {
        if (doc.get(section, key) != value) {
            std::abort();
        }
        if (IniDocument::parse(doc.format()).format() != doc.format()) {
            std::abort();
        }
    } else if (doc.format() != text || doc.get(section, key) != before) {
        std::abort();
    }
    return 0;
}
