#include <cstring>
#include <vector>

#include "formats/byte_order.h"
#include "platform/registry.h"

namespace zelkor::platform {

bool queryNumber(RegistryKey& key, std::string_view name, uint32_t* value) {
    // The store's readers ask for 4 bytes: a longer value does not fit the
    // buffer and counts as missing; a shorter one leaves the rest unchanged.
    auto bytes = formats::le32Bytes(*value);
    uint32_t size = uint32_t(bytes.size());
    if (!key.queryValue(name, nullptr, bytes.data(), &size)) {
        return false;
    }
    *value = formats::getLe32(bytes, 0);
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
    const auto bytes = formats::le32Bytes(value);
    return key.setValue(name, RegType::Dword, bytes.data(), uint32_t(bytes.size()));
}

bool setText(RegistryKey& key, std::string_view name, std::string_view value) {
    std::string withZero(value);
    withZero.push_back('\0');
    return key.setValue(name, RegType::Sz, withZero.data(), static_cast<uint32_t>(withZero.size()));
}

RegWrite numberWrite(std::string_view key, std::string_view name, uint32_t value) {
    const auto bytes = formats::le32Bytes(value);
    return {std::string(key), std::string(name), RegType::Dword, {bytes.begin(), bytes.end()}};
}

RegWrite textWrite(std::string_view key, std::string_view name, std::string_view value) {
    RegWrite write{std::string(key), std::string(name), RegType::Sz, {value.begin(), value.end()}};
    write.data.push_back(0);
    return write;
}

}  // namespace zelkor::platform
