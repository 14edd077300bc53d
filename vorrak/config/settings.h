#pragma once
// The settings record that every part of Vorrak reads, and the one table of
// its stored values (name, kind, buffer size, default) that both the loader
// and the setup wizard walk.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/shell.h"
#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {

// Registry keys under HKEY_LOCAL_MACHINE.
using resources::kMakerKey;
using resources::kProductKey;

// Buffer sizes of the text values: the most that is read, terminating zero
// included, so a text holds at most one byte less.
constexpr uint32_t kPathSize = 255;  // WORKINGDIR, file names, EMAILBODY
constexpr uint32_t kEmailAddressSize = 50;
constexpr uint32_t kPhoneNumberSize = 20;

// On Linux the viewer default is the desktop's default opener; callers pass
// it to LoadSettings and the setup wizard stores it.
using platform::kDesktopOpener;

// One field per stored value, named as the value. Filled by LoadSettings.
struct Settings {
    uint32_t BRIGHTNESS = 0;
    uint32_t CONTRAST = 0;
    uint32_t SATURATION = 0;
    uint32_t HUE = 0;
    uint32_t VIDEOCONNECTOR = 0;
    uint32_t VIDEOSTANDARD = 0;
    uint32_t RUNSTYLE = 0;
    std::string WORKINGDIR;
    uint32_t PLAYWARNINGSOUND = 0;
    uint32_t RUNSTARTUP = 0;
    uint32_t USESCHEDULE = 0;
    uint32_t DELAYTIME = 0;
    uint32_t STARTHOUR = 0;
    uint32_t STARTMINUTE = 0;
    uint32_t STARTSECOND = 0;
    uint32_t PROCESSSTYLE = 0;
    uint32_t STOPSTYLE = 0;
    uint32_t USEREGIONCOMPARE = 0;
    uint32_t SENSIBILITY = 0;
    uint32_t SCANTIME = 0;
    std::string VIEWERFILENAME;
    uint32_t RELEASETIME = 0;
    uint32_t ERRORAMOUNT = 0;
    uint32_t VIDEOCAPTURE = 0;
    uint32_t VIDEOFRAMERATE = 0;
    uint32_t VIDEORECORDINGTIME = 0;
    uint32_t EXECUTEPROGRAM = 0;
    std::string EXECUTEFILENAME;
    uint32_t EMAILNOTIFY = 0;
    std::string EMAILADDRESS;
    std::string CCEMAILADDRESS;
    std::string EMAILBODY;
    uint32_t PHONECALL = 0;
    std::string PHONENUMBER;
    uint32_t UPDATEWEBPAGE = 0;
    std::string WEBPAGEFILENAME;
    uint32_t USEACCESS = 0;
    std::string EVENTDATABASE;
    // Written for the mailer, never loaded.
    std::string STOREIMAGEFILENAME;
};

// The access password, settled by every load from the maker key.
struct AccessControl {
    uint32_t PasswordRequired = 1;
    std::string AccessPassword;
};

// Options of one run that are never stored; every load switches them off.
struct RunOptions {
    bool captureAudio = false;
    bool playbackAfterRecording = false;
    bool workFrames24Bit = false;
};

enum class SettingKind { Number, Text };

// What a missing value becomes.
enum class SettingDefault {
    Fixed,     // the table's number or text
    Required,  // none: the installation is incomplete
    Viewer,    // the picture viewer default of the platform
};

struct SettingRow {
    std::string_view name;
    SettingKind kind;
    uint32_t size;  // bytes read: 4 for numbers, the buffer size for texts
    SettingDefault rule;
    uint32_t numberDefault;
    std::string_view textDefault;
    uint32_t Settings::*number;   // set for numbers
    std::string Settings::*text;  // set for texts
    uint32_t minimum;             // the range a number may be set to
    uint32_t maximum;
    std::string_view help;  // what the value does, in a sentence
    // What a stored number outside the range becomes; the default when unset.
    std::optional<uint32_t> outsideRange{};

    uint32_t outsideRangeValue() const { return outsideRange.value_or(numberDefault); }
};

// The values of the product key, in the order they are read.
std::span<const SettingRow> ProductSettings();

// The table entry of `name` (case-insensitive, as the store matches names),
// or null.
const SettingRow* FindSetting(std::string_view name);

// Whether `path` can be the working directory: the event history writes
// the paths of event files inside it between brackets, so a bracket in it
// would make the history lines unreadable.
bool IsUsableWorkingDir(std::string_view path);

// Whether a number lies in the range its setting allows.
bool InRange(const SettingRow& setting, uint32_t value);

// Longest working directory: the longest file name the guard engine keeps
// inside it (History.Log) must still fit its path limit.
constexpr size_t kWorkingDirMax = resources::kGuardPathMax - 1 - resources::kHistoryFileName.size();

// Why `path` cannot be stored as the working directory, as the end of a
// sentence about it ("is empty", ...); empty when it can.
std::string WorkingDirProblem(std::string_view path);

// The viewer default derived from the Windows directory: its drive followed
// by "\program files\Accessories\Mspaint.exe", or the same on drive c: when
// the directory cannot be determined.
std::string DefaultViewerFileName(const std::optional<std::string>& windowsDirectory);

}  // namespace zelkor::vorrak
