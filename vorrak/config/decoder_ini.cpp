#include "vorrak/config/decoder_ini.h"

#include <string>

namespace zelkor::vorrak {

namespace {

void writeKey(platform::Profile& profile, std::string_view key, uint32_t value) {
    // The driver parses signed decimals; the value is printed as one.
    profile.writePrivateProfileString(kDecoderIniSection, key,
                                      std::to_string(static_cast<int32_t>(value)), kDecoderIniFile);
}

uint32_t evenUpward(uint32_t value) {
    return value + value % 2;
}

}  // namespace

void WriteDecoderIni(platform::Profile& profile, const Settings& settings) {
    writeKey(profile, "VideoConnector", settings.VIDEOCONNECTOR);
    writeKey(profile, "VideoStandard", settings.VIDEOSTANDARD);
    writeKey(profile, "Brightness", evenUpward(settings.BRIGHTNESS));
    writeKey(profile, "Contrast", evenUpward(settings.CONTRAST));
    writeKey(profile, "Saturation", evenUpward(settings.SATURATION));
    writeKey(profile, "Hue", evenUpward(settings.HUE));
}

void WriteNoovKey(platform::Profile& profile) {
    profile.writePrivateProfileString(kDecoderIniSection, "NOOV", "0", kDecoderIniFile);
}

bool IsJapaneseLocale(platform::Profile& profile) {
    return profile.getProfileInt("Intl", "iCountry", 0) == kJapanCountryCode;
}

}  // namespace zelkor::vorrak
