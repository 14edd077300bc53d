#pragma once
// Loading the settings from the registry and writing back the two groups
// that Vorrak itself changes.

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "platform/ui.h"
#include "vorrak/config/settings.h"

namespace zelkor::vorrak {

constexpr std::string_view kNotInstalledMessage =
    "Oculara is not installed successfully...\nPlease execute Setup Wizard program.";
constexpr std::string_view kNotSetCompletelyMessage =
    "Oculara has not set completely...\nPlease execute Setup Wizard again...";
constexpr std::string_view kBracketInWorkingDirMessage =
    "The working directory may not contain \"[\" or \"]\"...\nPlease execute Setup Wizard "
    "again...";
constexpr std::string_view kMailSendingFailMessage = "EMail sending fail...";
constexpr uint32_t kVorrakBoxStyle = platform::mb::ICONHAND | platform::mb::TOPMOST;

// What LoadSettings needs from the program around it.
struct SettingsHost {
    platform::Registry& registry;
    platform::Ui& ui;
    // VIEWERFILENAME when none is stored (kDesktopOpener on Linux).
    std::string viewerDefault;
    // Starts the setup wizard; the argument is the force flag.
    std::function<void(uint32_t force)> launchSetupWizard;
    // Ends the process with the exit code; does not return in a real program.
    std::function<void(int exitCode)> endProcess;
};

// Settles `access` from the maker key, as every load does.
void LoadAccess(platform::Registry& registry, AccessControl& access);

// A number of the product key as the loader takes it: the stored value, or
// the default when it counts as missing.
uint32_t ReadStoredNumber(platform::RegistryKey& key, const SettingRow& setting);
// A text of the product key, read into its buffer size; false when missing.
bool ReadStoredText(platform::RegistryKey& key, const SettingRow& setting, std::string* value);

// The stored numbers a run has been told were out of range, by name; the
// guard reloads the settings at every start and says it only once.
using ToldOutOfRange = std::set<std::string_view>;

// Fills `settings` and `access` from the store and switches `options` off.
// A stored number outside the range the setup wizard allows is replaced by
// its default; when `told` is given, each such value not in it yet is added
// and said: on stderr, and in a message box when PROCESSSTYLE is 1.
// When the product key or WORKINGDIR is missing, WORKINGDIR is empty or
// relative (as good as missing), or holds a bracket, it tells the user, starts the setup wizard
// with force, ends the process with code 1 and returns false at once (should endProcess return);
// true when the settings loaded.
bool LoadSettings(const SettingsHost& host, Settings& settings, AccessControl& access,
                  RunOptions& options, ToldOutOfRange* told = nullptr);

// The picture and input values and USEREGIONCOMPARE, as numbers. A store
// that cannot be written is passed over in silence.
void SaveVideoSettings(platform::Registry& registry, const Settings& settings);

// What the mailer reads: STOREIMAGEFILENAME, EMAILNOTIFY, EMAILADDRESS,
// CCEMAILADDRESS, EMAILBODY. Each text is stored as its whole buffer; one
// longer than its buffer is cut so that its terminating zero still fits.
void SaveMailHandOver(platform::Registry& registry, platform::Ui& ui, const Settings& settings);

}  // namespace zelkor::vorrak
