#pragma once
// The contents of a settings store held in memory: keys in the order they
// were made, each with its values in the order they were set. Key paths and
// value names match case-insensitively and keep the spelling they were
// created with. Both the file store and the test store are built on it.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/text.h"

namespace zelkor::platform {

struct RegValue {
    std::string name;
    RegType type = RegType::None;
    std::vector<uint8_t> data;
};

struct RegKeyData {
    std::string path;  // full path below HKEY_LOCAL_MACHINE, backslashes
    std::vector<RegValue> values;

    const RegValue* find(std::string_view name) const;
    void set(std::string_view name, RegType type, const void* data, uint32_t size);
};

struct RegistryData {
    std::vector<RegKeyData> keys;

    RegKeyData* find(std::string_view path);
    const RegKeyData* find(std::string_view path) const;
    // Finds the key or adds it, with every missing parent before it.
    RegKeyData& create(std::string_view path);
};

// The RegQueryValueEx rules over one value (absent when `value` is null).
bool copyValueOut(const RegValue* value, RegType* type, void* data, uint32_t* size);

}  // namespace zelkor::platform
