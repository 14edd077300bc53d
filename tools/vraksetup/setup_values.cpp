#include "tools/vraksetup/setup_values.h"

#include <filesystem>

#include "eventdb/database_location.h"
#include "eventdb/event_database.h"
#include "platform/registry_data.h"
#include "tools/companions/companion_value_check.h"
#include "tools/companions/companion_values.h"
#include "vorrak/config/password.h"
#include "vorrak/config/settings_store.h"
#include "vorrak/resources/strings.h"

namespace zelkor::tools {

namespace {

using vorrak::SettingDefault;
using vorrak::SettingKind;
using vorrak::SettingRow;

// Vorrak's settings followed by the companions' values, made once.
const std::vector<SettingRow>& allSettings() {
    static const std::vector<SettingRow> all = [] {
        std::vector<SettingRow> list(vorrak::ProductSettings().begin(),
                                     vorrak::ProductSettings().end());
        const auto companions = CompanionSettings();
        list.insert(list.end(), companions.begin(), companions.end());
        return list;
    }();
    return all;
}

// The display library's version as the suite's installation records it,
// unless one is there already.
void addDirectXVersion(platform::Registry& registry, std::vector<platform::RegWrite>& writes) {
    auto key = registry.openKey(resources::kDirectXKey, platform::RegAccess::Read);
    uint32_t size = 0;
    if (key && key->queryValue(resources::kDirectXVersionValue, nullptr, nullptr, &size)) {
        return;
    }
    writes.push_back(platform::textWrite(resources::kDirectXKey, resources::kDirectXVersionValue,
                                         resources::kInstalledDirectXVersion));
}

}  // namespace

std::span<const SettingRow> SetupSettings() {
    return allSettings();
}

SetupValues::SetupValues() : numbers_(allSettings().size()), texts_(allSettings().size()) {
    for (size_t i = 0; i < allSettings().size(); ++i) {
        const auto& entry = allSettings()[i];
        numbers_[i] = entry.numberDefault;
        if (entry.rule == SettingDefault::Viewer) {
            texts_[i] = vorrak::kDesktopOpener;
        } else if (entry.rule == SettingDefault::Fixed) {
            texts_[i] = entry.textDefault;
        }
    }
}

size_t SetupValues::indexOf(std::string_view name) const {
    size_t i = 0;
    while (i < allSettings().size() && !platform::equalsIgnoreCase(allSettings()[i].name, name)) {
        ++i;
    }
    return i;
}

uint32_t SetupValues::number(std::string_view name) const {
    return numbers_.at(indexOf(name));
}

const std::string& SetupValues::text(std::string_view name) const {
    return texts_.at(indexOf(name));
}

void SetupValues::setNumber(std::string_view name, uint32_t value) {
    numbers_.at(indexOf(name)) = value;
}

void SetupValues::setText(std::string_view name, std::string value) {
    texts_.at(indexOf(name)) = std::move(value);
}

std::vector<platform::RegWrite> SetupValues::writes() const {
    std::vector<platform::RegWrite> out;
    for (size_t i = 0; i < allSettings().size(); ++i) {
        const auto& entry = allSettings()[i];
        out.push_back(entry.kind == SettingKind::Number
                          ? platform::numberWrite(vorrak::kProductKey, entry.name, numbers_[i])
                          : platform::textWrite(vorrak::kProductKey, entry.name, texts_[i]));
    }
    return out;
}

SetupValues ReadSetupValues(platform::Registry& registry) {
    SetupValues values;
    auto key = registry.openKey(vorrak::kProductKey, platform::RegAccess::Read);
    if (!key) {
        return values;
    }
    for (const auto& entry : allSettings()) {
        if (entry.kind == SettingKind::Number) {
            values.setNumber(entry.name, vorrak::ReadStoredNumber(*key, entry));
            continue;
        }
        std::string text;
        if (vorrak::ReadStoredText(*key, entry, &text)) {
            values.setText(entry.name, std::move(text));
        }
    }
    return values;
}

std::string NumberProblem(const SettingRow& setting, uint32_t value) {
    if (vorrak::InRange(setting, value)) {
        return {};
    }
    return std::string(setting.name) + " takes a number from " + std::to_string(setting.minimum) +
           " to " + std::to_string(setting.maximum) + ", not " + std::to_string(value);
}

std::string TextProblem(const SettingRow& setting, std::string_view value) {
    if (setting.rule == SettingDefault::Required) {
        const auto problem = vorrak::WorkingDirProblem(value);
        return problem.empty() ? problem : "the working directory " + problem;
    }
    // The shared event database's connection string may hold a password,
    // which no message shows.
    const bool eventDatabase = setting.name == resources::kEventDatabaseValue;
    const std::string shown = eventDatabase ? eventdb::MaskPassword(value) : std::string(value);
    if (value.size() >= setting.size) {
        return std::string(setting.name) + " holds at most " + std::to_string(setting.size - 1) +
               " characters, \"" + shown + "\" has " + std::to_string(value.size());
    }
    if (eventDatabase && eventdb::ClassifyEventDatabase(value) == eventdb::DatabaseKind::Unknown) {
        return std::string(setting.name) +
               " is empty (Vrak.mdb in the working directory) or a postgresql:// connection URI, "
               "not \"" +
               shown + "\"";
    }
    return CompanionValueProblem(setting.name, value);
}

std::string PasswordProblem(std::string_view password) {
    if (password.size() > vorrak::kMaxPasswordLength) {
        return "the password holds at most " + std::to_string(vorrak::kMaxPasswordLength) +
               " characters";
    }
    if (password.find_first_of("\r\n") != std::string_view::npos) {
        return "the password holds a line break, which cannot be typed at the password prompt";
    }
    if (!vorrak::ScramblePassword(password)) {
        return "this password cannot be stored scrambled; change one of its characters or its "
               "length";
    }
    return {};
}

bool PrepareWorkingDirectory(const std::string& dir, std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec || !std::filesystem::is_directory(dir)) {
        *error = "cannot create the working directory " + dir +
                 (ec ? ": " + ec.message() : ": a file of that name exists");
        return false;
    }
    // Histran and manage only open the event database, so a new working
    // directory gets an empty one; an existing database is kept as it is.
    const std::filesystem::path database =
        std::filesystem::path(dir) / resources::kDatabaseFileName;
    // A link whose database is gone (an unmounted share, a moved file) must
    // not be replaced by an empty database: the events would go there.
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(database, ec)) &&
        !std::filesystem::exists(database, ec)) {
        *error = "the event database " + database.string() + " is a link to " +
                 std::filesystem::read_symlink(database, ec).string() +
                 ", which is missing: restore that file or remove the link";
        return false;
    }
    if (!std::filesystem::exists(database, ec)) {
        std::string dbError;
        if (!eventdb::CreateEventDatabase(database.string(), &dbError)) {
            *error = "cannot create the event database " + database.string() + ": " + dbError;
            return false;
        }
    }
    return true;
}

bool WriteSetup(platform::Registry& registry, const SetupValues& values,
                const PasswordChoice& password) {
    auto writes = values.writes();
    if (password.change == PasswordChange::Off) {
        writes.push_back(platform::numberWrite(vorrak::kMakerKey, resources::kRunNormalValue, 0));
    } else if (password.change == PasswordChange::Set) {
        writes.push_back(platform::numberWrite(vorrak::kMakerKey, resources::kRunNormalValue,
                                               vorrak::kRunNormalPassword));
        writes.push_back(
            platform::textWrite(vorrak::kMakerKey, resources::kRunStringValue, password.scrambled));
    }
    addDirectXVersion(registry, writes);
    return registry.setValues(writes);
}

}  // namespace zelkor::tools
