// The settings store kept in a REGEDIT4 text file. Nothing is cached: every
// open and every query reads the file again, so one program sees another's
// writes at once. Every change is a read-modify-write under the file's
// update lock, written atomically with mode 0600 (the store holds the
// scrambled access password).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

#include "platform/regedit_format.h"
#include "platform/registry.h"
#include "platform/registry_data.h"
#include "platform/store_file.h"

namespace zelkor::platform {

namespace {

constexpr mode_t kStoreMode = 0600;

void report(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
}

// The store's contents; a missing file is an empty store. Nothing when the
// file cannot be read or is malformed, which is reported on stderr: such a
// file is never taken for an empty store, so it is never overwritten.
std::optional<RegistryData> loadStore(const std::string& path) {
    std::string text;
    std::string error;
    switch (readWholeFile(path, &text, &error)) {
        case ReadStatus::Missing:
            return RegistryData{};
        case ReadStatus::Failed:
            report("settings store: " + error);
            return std::nullopt;
        case ReadStatus::Ok:
            break;
    }
    auto parsed = parseRegedit(text);
    if (!parsed.ok) {
        report("settings store " + path + ", line " + std::to_string(parsed.errorLine) + ": " +
               parsed.errorReason + " (the file is left unchanged)");
        return std::nullopt;
    }
    return std::move(parsed.data);
}

enum class Change { Refused, None, Made };

// Read-modify-write under the update lock; the file is rewritten only when
// `edit` changed something. A store reached through links is locked, read
// and replaced where they lead, so writers that name it differently still
// take turns on one lock.
bool updateStore(const std::string& path, const std::function<Change(RegistryData&)>& edit) {
    std::string error;
    const auto target = writeTarget(path, &error);
    if (!target) {
        report("settings store: " + error);
        return false;
    }
    FileLock lock(*target);
    if (!lock.locked()) {
        report("settings store: " + lock.error());
        return false;
    }
    auto data = loadStore(*target);
    if (!data) {
        return false;
    }
    switch (edit(*data)) {
        case Change::Refused:
            return false;
        case Change::None:
            return true;
        case Change::Made:
            break;
    }
    if (!writeFileAtomically(*target, formatRegedit(*data), kStoreMode, &error)) {
        report("settings store: " + error);
        return false;
    }
    return true;
}

class FileKey : public RegistryKey {
  public:
    FileKey(std::string file, std::string path, RegAccess access)
        : file_(std::move(file)), path_(std::move(path)), access_(access) {}

    bool queryValue(std::string_view name, RegType* type, void* data, uint32_t* size) override {
        const auto store = loadStore(file_);
        const auto* key = store ? store->find(path_) : nullptr;
        return key != nullptr && copyValueOut(key->find(name), type, data, size);
    }

    bool setValue(std::string_view name, RegType type, const void* data, uint32_t size) override {
        if (access_ != RegAccess::All || !isStorableName(name) || (data == nullptr && size > 0)) {
            return false;
        }
        const auto* bytes = static_cast<const uint8_t*>(data);
        return updateStore(file_, [&](RegistryData& store) {
            auto* key = store.find(path_);
            if (key == nullptr) {
                return Change::Refused;  // deleted from the file since it was opened
            }
            const auto* old = key->find(name);
            if (old != nullptr && old->type == type && old->data.size() == size &&
                std::equal(old->data.begin(), old->data.end(), bytes)) {
                return Change::None;
            }
            key->set(name, type, data, size);
            return Change::Made;
        });
    }

  private:
    std::string file_;
    std::string path_;
    RegAccess access_;
};

class FileRegistry : public Registry {
  public:
    explicit FileRegistry(std::string file) : file_(std::move(file)) {}

    std::unique_ptr<RegistryKey> openKey(std::string_view path, RegAccess access) override {
        if (file_.empty() || !isStorableKeyPath(path)) {
            return nullptr;
        }
        const auto store = loadStore(file_);
        if (!store || store->find(path) == nullptr) {
            return nullptr;
        }
        return std::make_unique<FileKey>(file_, std::string(path), access);
    }

    std::unique_ptr<RegistryKey> createKey(std::string_view path) override {
        if (file_.empty() || !isStorableKeyPath(path)) {
            return nullptr;
        }
        const bool ok = updateStore(file_, [&](RegistryData& store) {
            if (store.find(path) != nullptr) {
                return Change::None;
            }
            store.create(path);
            return Change::Made;
        });
        if (!ok) {
            return nullptr;
        }
        return std::make_unique<FileKey>(file_, std::string(path), RegAccess::All);
    }

    bool setValues(const std::vector<RegWrite>& writes) override {
        if (file_.empty() || !storableWrites(writes)) {
            return false;
        }
        return updateStore(file_, [&](RegistryData& store) {
            return applyWrites(store, writes) ? Change::Made : Change::None;
        });
    }

  private:
    std::string file_;
};

}  // namespace

std::string defaultRegistryPath() {
    const char* chosen = std::getenv("ZELKOR_REGISTRY");
    if (chosen != nullptr && chosen[0] != '\0') {
        return chosen;
    }
    const auto folder = zelkorConfigDirectory();
    return folder ? *folder + "/registry.reg" : std::string();
}

std::unique_ptr<Registry> openFileRegistry(const std::string& path) {
    return std::make_unique<FileRegistry>(path);
}

}  // namespace zelkor::platform
