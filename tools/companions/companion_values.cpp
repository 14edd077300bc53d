#include "tools/companions/companion_values.h"

#include <array>

#include "platform/text.h"
#include "vorrak/config/settings_store.h"

namespace zelkor::tools {

namespace {

using vorrak::SettingDefault;
using vorrak::SettingKind;
using vorrak::SettingRow;

constexpr SettingRow text(std::string_view name, uint32_t size, std::string_view value,
                          std::string_view help) {
    return {name, SettingKind::Text, size, SettingDefault::Fixed, 0, value, nullptr, nullptr, 0, 0,
            help};
}

const std::array kCompanionTable = {
    text("SMTPSERVER", kSmtpTextSize, "",
         "Mail server the mailer sends through, such as smtps://mail.example.org:465."),
    text("SMTPFROM", kSmtpTextSize, "", "Sender address of the mail."),
    text("SMTPUSER", kSmtpTextSize, "", "User name at the mail server (empty: none)."),
    text("SMTPPASSWORD", kSmtpTextSize, "", "Password at the mail server."),
    text("MODEMDEVICE", kModemDeviceSize, "/dev/ttyACM0", "Serial device of the modem."),
    SettingRow{"RINGSECONDS",
               SettingKind::Number,
               4,
               SettingDefault::Fixed,
               30,
               {},
               nullptr,
               nullptr,
               1,
               kMaxRingSeconds,
               "Seconds the call rings before the dialer hangs up."},
};

// Written by Vorrak for the mailer just before it starts it, never read by
// Vorrak and not set up by VrakSetup.
constexpr SettingRow kPictureValue = text("STOREIMAGEFILENAME", vorrak::kPathSize, "", "");

const SettingRow& readable(std::string_view name) {
    if (const auto* entry = FindStoredValue(name)) {
        return *entry;
    }
    return kPictureValue;
}

}  // namespace

std::span<const SettingRow> CompanionSettings() {
    return kCompanionTable;
}

const SettingRow* FindStoredValue(std::string_view name) {
    if (const auto* entry = vorrak::FindSetting(name)) {
        return entry;
    }
    for (const auto& entry : kCompanionTable) {
        if (platform::equalsIgnoreCase(entry.name, name)) {
            return &entry;
        }
    }
    return nullptr;
}

StoredValues::StoredValues(platform::Registry& registry)
    : key_(registry.openKey(vorrak::kProductKey, platform::RegAccess::Read)) {}

std::string StoredValues::text(std::string_view name) {
    const auto& entry = readable(name);
    std::string value;
    if (key_ != nullptr && vorrak::ReadStoredText(*key_, entry, &value)) {
        return value;
    }
    return std::string(entry.textDefault);
}

uint32_t StoredValues::number(std::string_view name) {
    const auto& entry = readable(name);
    return key_ != nullptr ? vorrak::ReadStoredNumber(*key_, entry) : entry.numberDefault;
}

}  // namespace zelkor::tools
