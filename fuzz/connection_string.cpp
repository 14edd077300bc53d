// Connection strings: parsing never fails silently, and a built string
// reads back the path it was built from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "eventdb/connection_string.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zelkor::eventdb;
    const std::string text(reinterpret_cast<const char*>(data), size);
    ConnectionString parsed;
    std::string error;
    if (!ParseConnectionString(text, &parsed, &error) && error.empty()) {
        std::abort();
    }
    const std::string built = BuildConnectionString(kProvider40, text);
    ConnectionString back;
    if (!ParseConnectionString(built, &back, &error) || back.dataSource != text ||
        back.provider != kProvider40) {
        std::abort();
    }
    return 0;
}
