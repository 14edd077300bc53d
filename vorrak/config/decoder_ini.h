#pragma once
// The capture driver takes its decoder settings from system.ini, and the
// Windows country code decides the character set of every font.

#include "platform/profile.h"
#include "vorrak/config/settings.h"

namespace zelkor::vorrak {

constexpr std::string_view kDecoderIniFile = "system.ini";
constexpr std::string_view kDecoderIniSection = "Zelkorcap.drv";
constexpr int kJapanCountryCode = 81;

// Copies the input, standard and picture values into the driver's section
// so that it programs the decoder as Vorrak does. The picture values are
// made even upward (127 -> 128). Write failures are ignored: the driver then
// keeps what the file held before.
void WriteDecoderIni(platform::Profile& profile, const Settings& settings);

// Sets the driver's "NOOV" key to "0", before the capture window exists.
void WriteNoovKey(platform::Profile& profile);

// Whether win.ini [Intl] iCountry is the code of Japan.
bool IsJapaneseLocale(platform::Profile& profile);

}  // namespace zelkor::vorrak
