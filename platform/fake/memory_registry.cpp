#include "platform/fake/memory_registry.h"

#include <algorithm>

#include "formats/byte_order.h"

namespace zelkor::platform {

namespace {

class MemoryKey : public RegistryKey {
  public:
    MemoryKey(MemoryRegistry& owner, std::string path, RegAccess access)
        : owner_(owner), path_(std::move(path)), access_(access) {}

    bool queryValue(std::string_view name, RegType* type, void* data, uint32_t* size) override {
        const auto* key = owner_.data.find(path_);
        return key != nullptr && copyValueOut(key->find(name), type, data, size);
    }

    bool setValue(std::string_view name, RegType type, const void* data, uint32_t size) override {
        if (access_ != RegAccess::All || !owner_.writable) {
            return false;
        }
        owner_.data.create(path_).set(name, type, data, size);
        return true;
    }

  private:
    MemoryRegistry& owner_;
    std::string path_;
    RegAccess access_;
};

}  // namespace

bool MemoryRegistry::denied(std::string_view path) const {
    for (const auto& d : deniedKeys) {
        if (equalsIgnoreCase(d, path)) {
            return true;
        }
    }
    return false;
}

std::unique_ptr<RegistryKey> MemoryRegistry::openKey(std::string_view path, RegAccess access) {
    if (denied(path) || data.find(path) == nullptr) {
        return nullptr;
    }
    return std::make_unique<MemoryKey>(*this, std::string(path), access);
}

std::unique_ptr<RegistryKey> MemoryRegistry::createKey(std::string_view path) {
    if (denied(path) || !writable) {
        return nullptr;
    }
    data.create(path);
    return std::make_unique<MemoryKey>(*this, std::string(path), RegAccess::All);
}

bool MemoryRegistry::setValues(const std::vector<RegWrite>& writes) {
    const bool allowed = std::none_of(writes.begin(), writes.end(),
                                      [this](const RegWrite& w) { return denied(w.key); });
    if (!writable || !allowed || !storableWrites(writes)) {
        return false;
    }
    if (applyWrites(data, writes)) {
        ++batchWrites;
    }
    return true;
}

void MemoryRegistry::putNumber(std::string_view path, std::string_view name, uint32_t value) {
    const auto bytes = formats::le32Bytes(value);
    data.create(path).set(name, RegType::Dword, bytes.data(), uint32_t(bytes.size()));
}

void MemoryRegistry::putText(std::string_view path, std::string_view name, std::string_view text) {
    std::string withZero(text);
    withZero.push_back('\0');
    data.create(path).set(name, RegType::Sz, withZero.data(), uint32_t(withZero.size()));
}

void MemoryRegistry::putRaw(std::string_view path, std::string_view name, RegType type,
                            std::string_view bytes) {
    data.create(path).set(name, type, bytes.data(), uint32_t(bytes.size()));
}

const RegValue* MemoryRegistry::value(std::string_view path, std::string_view name) const {
    const auto* key = data.find(path);
    return key ? key->find(name) : nullptr;
}

}  // namespace zelkor::platform
