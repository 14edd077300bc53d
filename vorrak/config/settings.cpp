#include "vorrak/config/settings.h"

#include <array>

#include "platform/registry_data.h"
#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {

namespace {

constexpr SettingRow number(std::string_view name, uint32_t value, uint32_t minimum,
                            uint32_t maximum, uint32_t Settings::*field, std::string_view help) {
    return {name,    SettingKind::Number,
            4,       SettingDefault::Fixed,
            value,   {},
            field,   nullptr,
            minimum, maximum,
            help};
}

// An on/off switch: 1 is on.
constexpr SettingRow flag(std::string_view name, uint32_t value, uint32_t Settings::*field,
                          std::string_view help) {
    return number(name, value, 0, 1, field, help);
}

constexpr SettingRow text(std::string_view name, uint32_t size, SettingDefault rule,
                          std::string_view value, std::string Settings::*field,
                          std::string_view help) {
    return {name, SettingKind::Text, size, rule, 0, value, nullptr, field, 0, 0, help};
}

constexpr auto Fixed = SettingDefault::Fixed;

// The status page: 0 is off, any other value the seconds between its
// refreshes; a value outside the range still asks for the page, so it is
// made at the usual pace rather than not at all.
constexpr uint32_t kMaxPageRefreshSeconds = 3600;
constexpr uint32_t kUsualPageRefreshSeconds = 5;

constexpr SettingRow pageRefresh() {
    SettingRow row = number("UPDATEWEBPAGE", 0, 0, kMaxPageRefreshSeconds, &Settings::UPDATEWEBPAGE,
                            "Status web page: 0 off, else its refresh time in seconds.");
    row.outsideRange = kUsualPageRefreshSeconds;
    return row;
}
// Milliseconds and seconds in a day: longer waits are mistakes.
constexpr uint32_t kDayMs = 86400000;
constexpr uint32_t kDaySeconds = 86400;

const std::array kTable = {
    number("BRIGHTNESS", 128, 0, 255, &Settings::BRIGHTNESS, "Brightness of the picture."),
    number("CONTRAST", 144, 0, 255, &Settings::CONTRAST, "Contrast of the picture."),
    number("SATURATION", 128, 0, 255, &Settings::SATURATION, "Colour saturation of the picture."),
    number("HUE", 128, 0, 255, &Settings::HUE, "Hue (tint) of the picture."),
    number("VIDEOCONNECTOR", 1001, 1001, 1002, &Settings::VIDEOCONNECTOR,
           "The card's input the camera is plugged into: 1001 S-Video, 1002 Composite."),
    number("VIDEOSTANDARD", 0, 0, 7, &Settings::VIDEOSTANDARD,
           "The camera's video standard; it also sets the picture size."),
    number("RUNSTYLE", 1, 1, 3, &Settings::RUNSTYLE,
           "How the windows show: 1 normal, 2 always on top, 3 hidden behind the tray icon "
           "while guarding."),
    text(resources::kWorkingDirValue, kPathSize, SettingDefault::Required, "",
         &Settings::WORKINGDIR,
         "Folder for event pictures and clips, the event history and the event database."),
    flag("PLAYWARNINGSOUND", 1, &Settings::PLAYWARNINGSOUND,
         "Play the warning sound on an event (else a short beep)."),
    flag("RUNSTARTUP", 0, &Settings::RUNSTARTUP,
         "Start guarding as soon as Vorrak is up, without asking the password."),
    number("USESCHEDULE", 1, 1, 3, &Settings::USESCHEDULE,
           "When guarding starts: 1 at once, 2 after the delay, 3 at the time of day."),
    number("DELAYTIME", 5000, 0, kDayMs, &Settings::DELAYTIME,
           "Delay before guarding starts, in milliseconds."),
    number("STARTHOUR", 23, 0, 23, &Settings::STARTHOUR, "Hour of day guarding starts at."),
    number("STARTMINUTE", 0, 0, 59, &Settings::STARTMINUTE, "Minute guarding starts at."),
    number("STARTSECOND", 0, 0, 59, &Settings::STARTSECOND, "Second guarding starts at."),
    number("PROCESSSTYLE", 1, 1, 3, &Settings::PROCESSSTYLE,
           "What an event does: 1 trace the object, 2 notify, record a clip and trace, "
           "3 notify and record a clip."),
    number("STOPSTYLE", 1, 1, 3, &Settings::STOPSTYLE,
           "What follows an event: 1 guarding stops, 2 guarding goes on, 3 goes on until the "
           "error amount is passed."),
    flag("USEREGIONCOMPARE", 0, &Settings::USEREGIONCOMPARE,
         "Watch only the region dragged over the picture, not the whole picture."),
    number("SENSIBILITY", 90, 0, 100, &Settings::SENSIBILITY,
           "Detection sensitivity: higher raises an event on smaller changes."),
    number("SCANTIME", 500, 40, 60000, &Settings::SCANTIME,
           "Time between two compared pictures, in milliseconds."),
    text("VIEWERFILENAME", kPathSize, SettingDefault::Viewer, "", &Settings::VIEWERFILENAME,
         "Program that shows event pictures."),
    number("RELEASETIME", 120, 0, kDaySeconds, &Settings::RELEASETIME,
           "Seconds of a still scene after which tracing ends."),
    number("ERRORAMOUNT", 50, 0, 100000, &Settings::ERRORAMOUNT,
           "Events after which guarding stops when it goes on until the error amount."),
    flag("VIDEOCAPTURE", 0, &Settings::VIDEOCAPTURE, "Record a clip on an event."),
    number("VIDEOFRAMERATE", 30, 1, 30, &Settings::VIDEOFRAMERATE, "Frames per second of a clip."),
    number("VIDEORECORDINGTIME", 2, 1, 3600, &Settings::VIDEORECORDINGTIME,
           "Length of a clip, in seconds."),
    flag("EXECUTEPROGRAM", 0, &Settings::EXECUTEPROGRAM, "Start the program below on an event."),
    text("EXECUTEFILENAME", kPathSize, Fixed, "", &Settings::EXECUTEFILENAME,
         "Command line of the program started on an event."),
    flag("EMAILNOTIFY", 0, &Settings::EMAILNOTIFY, "Send a mail on an event."),
    text("EMAILADDRESS", kEmailAddressSize, Fixed, "", &Settings::EMAILADDRESS,
         "Address the mail goes to."),
    text("CCEMAILADDRESS", kEmailAddressSize, Fixed, "", &Settings::CCEMAILADDRESS,
         "Address a copy of the mail goes to."),
    text("EMAILBODY", kPathSize, Fixed, "Zelkor Oculara Warning....", &Settings::EMAILBODY,
         "Text of the mail."),
    flag("PHONECALL", 0, &Settings::PHONECALL, "Place a call on an event."),
    text("PHONENUMBER", kPhoneNumberSize, Fixed, "", &Settings::PHONENUMBER, "Number to call."),
    pageRefresh(),
    text("WEBPAGEFILENAME", kPathSize, Fixed, "", &Settings::WEBPAGEFILENAME,
         "File of the status web page; empty: Oculara.html in the working directory."),
    flag(resources::kUseAccessValue, 0, &Settings::USEACCESS,
         "Keep the events in the event database (Vrak.mdb) when Vorrak ends."),
    text(resources::kEventDatabaseValue, resources::kEventDatabaseSize, Fixed, "",
         &Settings::EVENTDATABASE,
         "Empty for Vrak.mdb in the working directory, or a postgresql:// connection URI for "
         "an event database that several stations share."),
};

}  // namespace

std::span<const SettingRow> ProductSettings() {
    return kTable;
}

const SettingRow* FindSetting(std::string_view name) {
    for (const auto& entry : kTable) {
        if (platform::equalsIgnoreCase(entry.name, name)) {
            return &entry;
        }
    }
    return nullptr;
}

bool IsUsableWorkingDir(std::string_view path) {
    return path.find_first_of("[]") == std::string_view::npos;
}

bool InRange(const SettingRow& setting, uint32_t value) {
    return value >= setting.minimum && value <= setting.maximum;
}

std::string WorkingDirProblem(std::string_view path) {
    if (path.empty()) {
        return "is empty";
    }
    if (path.front() != '/') {
        return "must be an absolute path (starting with /)";
    }
    if (path.size() > kWorkingDirMax) {
        return "holds at most " + std::to_string(kWorkingDirMax) +
               " characters, so that the files inside it keep their full names";
    }
    if (!IsUsableWorkingDir(path)) {
        return "may not contain \"[\" or \"]\": the event history keeps the paths of event "
               "files between brackets";
    }
    return {};
}

std::string DefaultViewerFileName(const std::optional<std::string>& windowsDirectory) {
    if (!windowsDirectory) {
        return "c:\\program files\\Accessories\\Mspaint.exe";
    }
    // Only the drive ("C:") is kept: the accessories live on the system drive.
    return windowsDirectory->substr(0, 2) + "\\program files\\Accessories\\Mspaint.exe";
}

}  // namespace zelkor::vorrak
