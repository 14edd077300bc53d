#include "vorrak/config/settings_store.h"

#include <algorithm>
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

void loadAccess(platform::Registry& registry, AccessControl& access) {
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

// A text as its whole buffer: the text, its zero, and zeros to the end.
void setWholeBuffer(platform::RegistryKey& key, std::string_view name, std::string_view text,
                    uint32_t size) {
    std::vector<char> buffer(size, '\0');
    std::copy_n(text.begin(), std::min<size_t>(text.size(), size - 1), buffer.begin());
    key.setValue(name, platform::RegType::MultiSz, buffer.data(), size);
}

}  // namespace

bool LoadSettings(const SettingsHost& host, Settings& settings, AccessControl& access,
                  RunOptions& options) {
    options = RunOptions{};
    auto key = host.registry.openKey(kProductKey, platform::RegAccess::Read);
    if (!key) {
        return failLoad(host, kNotInstalledMessage);
    }
    for (const auto& entry : ProductSettings()) {
        if (entry.kind == SettingKind::Number) {
            // A value shorter than 4 bytes gives its bytes, zero-extended,
            // rather than mixing them with what the field held before.
            uint32_t value = 0;
            settings.*entry.number =
                platform::queryNumber(*key, entry.name, &value) ? value : entry.numberDefault;
            continue;
        }
        std::string value;
        if (platform::queryText(*key, entry.name, entry.size, &value)) {
            if (entry.rule == SettingDefault::Required && !IsUsableWorkingDir(value)) {
                key.reset();
                return failLoad(host, kBracketInWorkingDirMessage);
            }
            settings.*entry.text = std::move(value);
        } else if (entry.rule == SettingDefault::Required) {
            key.reset();
            return failLoad(host, kNotSetCompletelyMessage);
        } else if (entry.rule == SettingDefault::Viewer) {
            settings.*entry.text = host.viewerDefault;
        } else {
            settings.*entry.text = entry.textDefault;
        }
    }
    key.reset();
    loadAccess(host.registry, access);
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
