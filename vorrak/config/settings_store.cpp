#include "vorrak/config/settings_store.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "vorrak/config/password.h"
#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {

namespace {

bool failLoad(const SettingsHost& host, std::string_view message) {
    host.ui.messageBox(message, resources::kTitle, kVorrakBoxStyle);
    host.launchSetupWizard(1);
    host.endProcess(1);
    return false;
}

// A text as its whole buffer: the text, its zero, and zeros to the end.
void setWholeBuffer(platform::RegistryKey& key, std::string_view name, std::string_view text,
                    uint32_t size) {
    std::vector<char> buffer(size, '\0');
    std::copy_n(text.begin(), std::min<size_t>(text.size(), size - 1), buffer.begin());
    key.setValue(name, platform::RegType::MultiSz, buffer.data(), size);
}

// Says the out-of-range values not said before in this run.
void tellOutOfRange(const SettingsHost& host, const Settings& settings,
                    const std::vector<std::pair<const SettingRow*, uint32_t>>& found,
                    ToldOutOfRange& told) {
    std::string text;
    for (const auto& [row, stored] : found) {
        if (!told.insert(row->name).second) {
            continue;
        }
        text += std::string(row->name) + " is " + std::to_string(stored) + ", outside " +
                std::to_string(row->minimum) + " to " + std::to_string(row->maximum) +
                ": the default " + std::to_string(row->outsideRangeValue()) + " is used.\n";
    }
    if (text.empty()) {
        return;
    }
    text += "Please execute Setup Wizard again...";
    std::fprintf(stderr, "Vorrak: %s\n", text.c_str());
    std::fflush(stderr);
    // An unattended guard (the other styles) keeps running without a box
    // waiting for someone to close it.
    if (settings.PROCESSSTYLE == 1) {
        host.ui.messageBox(text, resources::kTitle, kVorrakBoxStyle);
    }
}

}  // namespace

void LoadAccess(platform::Registry& registry, AccessControl& access) {
    auto key = registry.openKey(kMakerKey, platform::RegAccess::Read);
    uint32_t runNormal = 0;
    if (!key || !platform::queryNumber(*key, resources::kRunNormalValue, &runNormal)) {
        access.PasswordRequired = 1;
        access.AccessPassword = kDefaultPassword;
        return;
    }
    if (runNormal != kRunNormalPassword) {
        access.PasswordRequired = 0;
        return;
    }
    access.PasswordRequired = 1;
    std::string stored;
    access.AccessPassword =
        platform::queryText(*key, resources::kRunStringValue, kRunStringSize, &stored)
            ? UnscramblePassword(stored)
            : std::string(kDefaultPassword);
}

uint32_t ReadStoredNumber(platform::RegistryKey& key, const SettingRow& setting) {
    // A value shorter than 4 bytes gives its bytes, zero-extended, rather
    // than mixing them with whatever the caller held before.
    uint32_t value = 0;
    return platform::queryNumber(key, setting.name, &value) ? value : setting.numberDefault;
}

bool ReadStoredText(platform::RegistryKey& key, const SettingRow& setting, std::string* value) {
    return platform::queryText(key, setting.name, setting.size, value);
}

bool LoadSettings(const SettingsHost& host, Settings& settings, AccessControl& access,
                  RunOptions& options, ToldOutOfRange* told) {
    options = RunOptions{};
    auto key = host.registry.openKey(kProductKey, platform::RegAccess::Read);
    if (!key) {
        return failLoad(host, kNotInstalledMessage);
    }
    // A number the wizard would never have written (a hand-edited store)
    // can make guard mode blind or never fire: such a value is not used.
    std::vector<std::pair<const SettingRow*, uint32_t>> outOfRange;
    for (const auto& entry : ProductSettings()) {
        if (entry.kind == SettingKind::Number) {
            const uint32_t stored = ReadStoredNumber(*key, entry);
            if (InRange(entry, stored)) {
                settings.*entry.number = stored;
            } else {
                settings.*entry.number = entry.outsideRangeValue();
                outOfRange.emplace_back(&entry, stored);
            }
            continue;
        }
        std::string value;
        const bool stored = ReadStoredText(*key, entry, &value);
        if (entry.rule == SettingDefault::Required) {
            // An empty or relative folder would put the guard's files in the
            // file-system root or wherever Vorrak happens to be started:
            // such a value is as good as none.
            if (!stored || value.empty() || value.front() != '/') {
                key.reset();
                return failLoad(host, kNotSetCompletelyMessage);
            }
            if (!IsUsableWorkingDir(value)) {
                key.reset();
                return failLoad(host, kBracketInWorkingDirMessage);
            }
            settings.*entry.text = std::move(value);
        } else if (stored) {
            settings.*entry.text = std::move(value);
        } else if (entry.rule == SettingDefault::Viewer) {
            settings.*entry.text = host.viewerDefault;
        } else {
            settings.*entry.text = entry.textDefault;
        }
    }
    key.reset();
    LoadAccess(host.registry, access);
    if (told != nullptr) {
        tellOutOfRange(host, settings, outOfRange, *told);
    }
    return true;
}

void SaveVideoSettings(platform::Registry& registry, const Settings& settings) {
    auto key = registry.createKey(kProductKey);
    if (!key) {
        return;
    }
    platform::setNumber(*key, "BRIGHTNESS", settings.BRIGHTNESS);
    platform::setNumber(*key, "CONTRAST", settings.CONTRAST);
    platform::setNumber(*key, "SATURATION", settings.SATURATION);
    platform::setNumber(*key, "HUE", settings.HUE);
    platform::setNumber(*key, "VIDEOCONNECTOR", settings.VIDEOCONNECTOR);
    platform::setNumber(*key, "VIDEOSTANDARD", settings.VIDEOSTANDARD);
    platform::setNumber(*key, "USEREGIONCOMPARE", settings.USEREGIONCOMPARE);
}

void SaveMailHandOver(platform::Registry& registry, platform::Ui& ui, const Settings& settings) {
    auto key = registry.createKey(kProductKey);
    if (!key) {
        ui.messageBox(kMailSendingFailMessage, resources::kTitle, kVorrakBoxStyle);
        return;
    }
    setWholeBuffer(*key, "STOREIMAGEFILENAME", settings.STOREIMAGEFILENAME, kPathSize);
    platform::setNumber(*key, "EMAILNOTIFY", settings.EMAILNOTIFY);
    setWholeBuffer(*key, "EMAILADDRESS", settings.EMAILADDRESS, kEmailAddressSize);
    setWholeBuffer(*key, "CCEMAILADDRESS", settings.CCEMAILADDRESS, kEmailAddressSize);
    setWholeBuffer(*key, "EMAILBODY", settings.EMAILBODY, kPathSize);
}

}  // namespace zelkor::vorrak
