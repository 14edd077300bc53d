#include "platform/registry_data.h"

#include <algorithm>
#include <cstring>

#include "platform/regedit_format.h"

namespace zelkor::platform {

const RegValue* RegKeyData::find(std::string_view name) const {
    for (const auto& v : values) {
        if (equalsIgnoreCase(v.name, name)) {
            return &v;
        }
    }
    return nullptr;
}

void RegKeyData::set(std::string_view name, RegType type, const void* data, uint32_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::vector<uint8_t> copy(bytes, bytes + size);
    for (auto& v : values) {
        if (equalsIgnoreCase(v.name, name)) {
            v.type = type;
            v.data = std::move(copy);
            return;
        }
    }
    values.push_back(RegValue{std::string(name), type, std::move(copy)});
}

RegKeyData* RegistryData::find(std::string_view path) {
    for (auto& k : keys) {
        if (equalsIgnoreCase(k.path, path)) {
            return &k;
        }
    }
    return nullptr;
}

const RegKeyData* RegistryData::find(std::string_view path) const {
    return const_cast<RegistryData*>(this)->find(path);
}

RegKeyData& RegistryData::create(std::string_view path) {
    if (auto* existing = find(path)) {
        return *existing;
    }
    const auto cut = path.rfind('\\');
    if (cut != std::string_view::npos && cut > 0) {
        create(path.substr(0, cut));
    }
    keys.push_back(RegKeyData{std::string(path), {}});
    return keys.back();
}

bool applyWrites(RegistryData& data, const std::vector<RegWrite>& writes) {
    bool changed = false;
    for (const auto& w : writes) {
        const bool newKey = data.find(w.key) == nullptr;
        auto& key = data.create(w.key);
        const auto* old = key.find(w.name);
        if (!newKey && old != nullptr && old->type == w.type && old->data == w.data) {
            continue;
        }
        key.set(w.name, w.type, w.data.data(), static_cast<uint32_t>(w.data.size()));
        changed = true;
    }
    return changed;
}

bool storableWrites(const std::vector<RegWrite>& writes) {
    return std::all_of(writes.begin(), writes.end(), [](const RegWrite& w) {
        return isStorableKeyPath(w.key) && isStorableName(w.name);
    });
}

bool copyValueOut(const RegValue* value, RegType* type, void* data, uint32_t* size) {
    if (value == nullptr || size == nullptr) {
        return false;
    }
    const auto length = static_cast<uint32_t>(value->data.size());
    if (data != nullptr) {
        if (length > *size) {
            return false;
        }
        if (length > 0) {
            std::memcpy(data, value->data.data(), length);
        }
    }
    *size = length;
    if (type != nullptr) {
        *type = value->type;
    }
    return true;
}

}  // namespace zelkor::platform
