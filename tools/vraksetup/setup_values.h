#pragma once
// The values the setup tool writes, as the command line and the wizard share
// them: read from the store (defaults where none), changed, checked, and
// written back in one store write.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "vorrak/config/settings.h"

namespace zelkor::tools {

// Every value of the product key the tool sets: Vorrak's settings, then
// those only the companion programs read (CompanionSettings, which the
// wizard's notification page shows).
std::span<const vorrak::SettingRow> SetupSettings();

enum class PasswordChange {
    Untouched,  // the maker key is left as it is
    Set,        // a password is asked
    Off,        // no password is asked
};

struct PasswordChoice {
    PasswordChange change = PasswordChange::Untouched;
    std::string scrambled;  // RUNSTRING, for PasswordChange::Set
};

// One value per entry of SetupSettings, in its order.
class SetupValues {
  public:
    SetupValues();

    uint32_t number(std::string_view name) const;
    const std::string& text(std::string_view name) const;
    void setNumber(std::string_view name, uint32_t value);
    void setText(std::string_view name, std::string value);

    // The values as written: numbers as REG_DWORD, texts as REG_SZ.
    std::vector<platform::RegWrite> writes() const;

  private:
    size_t indexOf(std::string_view name) const;

    std::vector<uint32_t> numbers_;
    std::vector<std::string> texts_;
};

// What the store holds, the default where a value counts as missing (an
// empty WORKINGDIR when none is stored).
SetupValues ReadSetupValues(platform::Registry& registry);

// Why `value` cannot be stored for `setting`, naming the value and its range;
// empty when it can.
std::string NumberProblem(const vorrak::SettingRow& setting, uint32_t value);
std::string TextProblem(const vorrak::SettingRow& setting, std::string_view value);

// Why `password` cannot be the access password: it must fit the store
// scrambled and be typed at Vorrak's password prompt, where a line break
// ends the input. Empty when it can.
std::string PasswordProblem(std::string_view password);

// Creates the working directory when missing and the event database in it
// when missing; false with `*error` set when that cannot be done.
bool PrepareWorkingDirectory(const std::string& dir, std::string* error);

// Writes every value, the password choice and, when none is there yet, the
// display library's version, as one store write. False when the store
// cannot be written; nothing is written then.
bool WriteSetup(platform::Registry& registry, const SetupValues& values,
                const PasswordChoice& password);

}  // namespace zelkor::tools
