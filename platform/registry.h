#pragma once
// The settings store: keys under HKEY_LOCAL_MACHINE holding typed values.
// Programs see it only through this interface; the Linux backend keeps it in
// a REGEDIT4 text file, tests use the in-memory store.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zelkor::platform {

// Value types, with the numbers the store has always used.
enum class RegType : uint32_t {
    None = 0,
    Sz = 1,       // REG_SZ: text with its terminating zero byte
    Binary = 3,   // REG_BINARY
    Dword = 4,    // REG_DWORD: 4 bytes, little-endian
    MultiSz = 7,  // REG_MULTI_SZ: texts each ended by a zero byte, then one more
};

enum class RegAccess {
    Read,  // query only
    All,   // query and set
};

// An open key. Closing the key (RegCloseKey) is destroying the object.
class RegistryKey {
  public:
    virtual ~RegistryKey() = default;

    // RegQueryValueEx: copies the value's data into `data`, which holds
    // `*size` bytes. On success `*size` is the data length and `*type` (when
    // given) its type. Fails (returns false) when the value is absent, the
    // key was opened without read access, or the data is larger than `*size`
    // bytes: to the caller the value is then missing. `data` may be null to
    // ask only for the size.
    virtual bool queryValue(std::string_view name, RegType* type, void* data, uint32_t* size) = 0;

    // RegSetValueEx: stores `size` bytes of `data` with `type`. Fails when
    // the key was opened read-only or the store cannot be written.
    virtual bool setValue(std::string_view name, RegType type, const void* data, uint32_t size) = 0;
};

// One value to store, for a write of several at once.
struct RegWrite {
    std::string key;  // path below HKEY_LOCAL_MACHINE, created when missing
    std::string name;
    RegType type = RegType::None;
    std::vector<uint8_t> data;
};

class Registry {
  public:
    virtual ~Registry() = default;

    // RegOpenKeyEx under HKEY_LOCAL_MACHINE: null when the key does not exist
    // or the store cannot be read. `path` uses backslashes:
    // "SOFTWARE\\Zelkor\\Oculara". Key and value names match case-insensitively.
    virtual std::unique_ptr<RegistryKey> openKey(std::string_view path, RegAccess access) = 0;

    // RegCreateKeyEx: opens the key with full access, creating it (and its
    // parents) when missing. Null when the store cannot be written.
    virtual std::unique_ptr<RegistryKey> createKey(std::string_view path) = 0;

    // Stores every value of `writes`, creating their keys, as one change: a
    // reader meanwhile sees the store before or after, never a mix. False,
    // with nothing stored, when a key or name is not storable or the store
    // cannot be written.
    virtual bool setValues(const std::vector<RegWrite>& writes) = 0;
};

// The store of this machine: the file named by $ZELKOR_REGISTRY, else
// $XDG_CONFIG_HOME/zelkor/registry.reg (~/.config when XDG_CONFIG_HOME is unset).
std::string defaultRegistryPath();
std::unique_ptr<Registry> openFileRegistry(const std::string& path);

// Convenience readers for the common value kinds, with the store's rules:
// a number is read into a 4-byte buffer, so a longer value is missing and a
// shorter one fills only the low bytes, leaving the rest of `*value` as it
// was; a text is read into a buffer of `bufferSize` bytes and taken up to its
// first zero byte. Both return false when the value counts as missing.
bool queryNumber(RegistryKey& key, std::string_view name, uint32_t* value);
bool queryText(RegistryKey& key, std::string_view name, uint32_t bufferSize, std::string* value);
bool setNumber(RegistryKey& key, std::string_view name, uint32_t value);
bool setText(RegistryKey& key, std::string_view name, std::string_view value);
// The same two kinds as entries of a write of several values.
RegWrite numberWrite(std::string_view key, std::string_view name, uint32_t value);
RegWrite textWrite(std::string_view key, std::string_view name, std::string_view value);

}  // namespace zelkor::platform
