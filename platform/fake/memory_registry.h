#pragma once
// A settings store in memory for tests, with switches for the failures the
// programs must survive.

#include <set>
#include <string>

#include "platform/registry.h"
#include "platform/registry_data.h"

namespace zelkor::platform {

class MemoryRegistry : public Registry {
  public:
    RegistryData data;
    // Keys (paths, case-insensitive) that cannot be opened or created.
    std::set<std::string> deniedKeys;
    // When false, every set and create fails.
    bool writable = true;
    // How many times setValues changed the store.
    int batchWrites = 0;

    std::unique_ptr<RegistryKey> openKey(std::string_view path, RegAccess access) override;
    std::unique_ptr<RegistryKey> createKey(std::string_view path) override;
    bool setValues(const std::vector<RegWrite>& writes) override;

    // Test helpers: write values directly, creating the key.
    void putNumber(std::string_view path, std::string_view name, uint32_t value);
    void putText(std::string_view path, std::string_view name, std::string_view text);
    void putRaw(std::string_view path, std::string_view name, RegType type, std::string_view bytes);
    const RegValue* value(std::string_view path, std::string_view name) const;

  private:
    bool denied(std::string_view path) const;
};

}  // namespace zelkor::platform
