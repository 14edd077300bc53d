#include <cstring>
#include <vector>

#include "platform/registry.h"

namespace zelkor::platform {

bool queryNumber(RegistryKey& key, std::string_view name, uint32_t* value) {
    // The store's readers ask for 4 bytes: a longer value does not fit the
    // buffer and counts as missing; a shorter one leaves the rest unchanged.
    uint8_t bytes[4];
    std::memcpy(bytes, value, 4);
    uint32_t size = sizeof bytes;
    if (!key.queryValue(name, nullptr, bytes, &size)) {
        return false;
    }
    std::memcpy(value, bytes, 4);
    return true;
}

bool queryText(RegistryKey& key, std::string_view name, uint32_t bufferSize, std::string* value) {
    std::vector<char> buffer(bufferSize + 1, '\0');
    uint32_t size = bufferSize;
    if (!key.queryValue(name, nullptr, buffer.data(), &size)) {
        return false;
    }
    value->assign(buffer.data(), strnlen(buffer.data(), size));
    return true;
}

bool setNumber(RegistryKey& key, std::string_view name, uint32_t value) {
    const uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                              uint8_t(value >> 24)};
    return key.setValue(name, RegType::Dword, bytes, sizeof bytes);
}

bool setText(RegistryKey& key, std::string_view name, std::string_view value) {
    std::string withZero(value);
    withZero.push_back('\0');
    return key.setValue(name, RegType::Sz, withZero.data(), static_cast<uint32_t>(withZero.size()));
}

}  // namespace zelkor::platform
