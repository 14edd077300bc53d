#pragma once
// The stored values only the mailer and the dialer read (the mail server
// and the modem), kept in the product key beside Vorrak's own, and the
// reading of both groups with the store's rules: a value that is missing or
// longer than its buffer gives the table's default.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "vorrak/config/settings.h"

namespace zelkor::tools {

// Buffer sizes, terminating zero included.
constexpr uint32_t kSmtpTextSize = 255;  // SMTPSERVER, SMTPFROM, SMTPUSER, SMTPPASSWORD
constexpr uint32_t kModemDeviceSize = 255;
// Vorrak starts no second call while one runs, so the ring time is bounded:
// a call of many minutes would swallow the calls of the events after it.
constexpr uint32_t kMaxRingSeconds = 300;

// SMTPSERVER, SMTPFROM, SMTPUSER, SMTPPASSWORD, MODEMDEVICE, RINGSECONDS.
// Vorrak never loads them, so they have no field in its Settings.
std::span<const vorrak::SettingRow> CompanionSettings();

// The entry of `name` among Vorrak's values and then the companions'
// (case-insensitive), or null.
const vorrak::SettingRow* FindStoredValue(std::string_view name);

// The product key opened for reading, as a companion program sees it.
class StoredValues {
  public:
    explicit StoredValues(platform::Registry& registry);
    // False when the key cannot be opened: every value reads as its default.
    bool opened() const { return key_ != nullptr; }
    // `name` is one of the two tables' values or STOREIMAGEFILENAME, the
    // event picture Vorrak hands to the mailer.
    std::string text(std::string_view name);
    uint32_t number(std::string_view name);

  private:
    std::unique_ptr<platform::RegistryKey> key_;
};

}  // namespace zelkor::tools
