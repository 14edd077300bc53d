#include "vorrak/config/settings.h"

#include <array>

#include "platform/registry_data.h"
#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {

namespace {

constexpr SettingSpec number(std::string_view name, uint32_t value, uint32_t Settings::*field) {
    return {name, SettingKind::Number, 4, SettingDefault::Fixed, value, {}, field, nullptr};
}

constexpr SettingSpec text(std::string_view name, uint32_t size, SettingDefault rule,
                           std::string_view value, std::string Settings::*field) {
    return {name, SettingKind::Text, size, rule, 0, value, nullptr, field};
}

constexpr auto Fixed = SettingDefault::Fixed;

const std::array kTable = {
    number("BRIGHTNESS", 128, &Settings::BRIGHTNESS),
    number("CONTRAST", 144, &Settings::CONTRAST),
    number("SATURATION", 128, &Settings::SATURATION),
    number("HUE", 128, &Settings::HUE),
    number("VIDEOCONNECTOR", 1001, &Settings::VIDEOCONNECTOR),
    number("VIDEOSTANDARD", 0, &Settings::VIDEOSTANDARD),
    number("RUNSTYLE", 1, &Settings::RUNSTYLE),
    text(resources::kWorkingDirValue, kPathSize, SettingDefault::Required, "",
         &Settings::WORKINGDIR),
    number("PLAYWARNINGSOUND", 1, &Settings::PLAYWARNINGSOUND),
    number("RUNSTARTUP", 0, &Settings::RUNSTARTUP),
    number("USESCHEDULE", 1, &Settings::USESCHEDULE),
    number("DELAYTIME", 5000, &Settings::DELAYTIME),
    number("STARTHOUR", 23, &Settings::STARTHOUR),
    number("STARTMINUTE", 0, &Settings::STARTMINUTE),
    number("STARTSECOND", 0, &Settings::STARTSECOND),
    number("PROCESSSTYLE", 1, &Settings::PROCESSSTYLE),
    number("STOPSTYLE", 1, &Settings::STOPSTYLE),
    number("USEREGIONCOMPARE", 0, &Settings::USEREGIONCOMPARE),
    number("SENSIBILITY", 90, &Settings::SENSIBILITY),
    number("SCANTIME", 500, &Settings::SCANTIME),
    text("VIEWERFILENAME", kPathSize, SettingDefault::Viewer, "", &Settings::VIEWERFILENAME),
    number("RELEASETIME", 120, &Settings::RELEASETIME),
    number("ERRORAMOUNT", 50, &Settings::ERRORAMOUNT),
    number("VIDEOCAPTURE", 0, &Settings::VIDEOCAPTURE),
    number("VIDEOFRAMERATE", 30, &Settings::VIDEOFRAMERATE),
    number("VIDEORECORDINGTIME", 2, &Settings::VIDEORECORDINGTIME),
    number("EXECUTEPROGRAM", 0, &Settings::EXECUTEPROGRAM),
    text("EXECUTEFILENAME", kPathSize, Fixed, "", &Settings::EXECUTEFILENAME),
    number("EMAILNOTIFY", 0, &Settings::EMAILNOTIFY),
    text("EMAILADDRESS", kEmailAddressSize, Fixed, "", &Settings::EMAILADDRESS),
    text("CCEMAILADDRESS", kEmailAddressSize, Fixed, "", &Settings::CCEMAILADDRESS),
    text("EMAILBODY", kPathSize, Fixed, "Zelkor Oculara Warning....", &Settings::EMAILBODY),
    number("PHONECALL", 0, &Settings::PHONECALL),
    text("PHONENUMBER", kPhoneNumberSize, Fixed, "", &Settings::PHONENUMBER),
    number("UPDATEWEBPAGE", 0, &Settings::UPDATEWEBPAGE),
    text("WEBPAGEFILENAME", kPathSize, Fixed, "", &Settings::WEBPAGEFILENAME),
    number(resources::kUseAccessValue, 0, &Settings::USEACCESS),
};

}  // namespace

std::span<const SettingSpec> ProductSettings() {
    return kTable;
}

const SettingSpec* FindSetting(std::string_view name) {
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

std::string DefaultViewerFileName(const std::optional<std::string>& windowsDirectory) {
    if (!windowsDirectory) {
        return "c:\\program files\\Accessories\\Mspaint.exe";
    }
    // Only the drive ("C:") is kept: the accessories live on the system drive.
    return windowsDirectory->substr(0, 2) + "\\program files\\Accessories\\Mspaint.exe";
}

}  // namespace zelkor::vorrak
