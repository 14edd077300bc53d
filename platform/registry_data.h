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
    // Keys of the file under other roots (or values of a root itself), with
    // the root in their path. None of the programs reads them; they are kept
    // only so that a rewrite of a shared file leaves them as they were.
    std::vector<RegKeyData> otherKeys;

    RegKeyData* find(std::string_view path);
    const RegKeyData* find(std::string_view path) const;
    // Finds the key or adds it, with every missing parent before it.
    RegKeyData& create(std::string_view path);
};

// Applies `writes` in order, creating their keys; true when anything changed.
bool applyWrites(RegistryData& data, const std::vector<RegWrite>& writes);

// Whether every key path and value name of `writes` can be stored.
bool storableWrites(const std::vector<RegWrite>& writes);

// The RegQueryValueEx rules over one value (absent when `value` is null).
bool copyValueOut(const RegValue* value, RegType* type, void* data, uint32_t* size);

}  // namespace zelkor::platform
