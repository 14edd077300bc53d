#pragma once
// Windows profile files (win.ini, system.ini) in the Windows-directory
// stand-in: $ZELKOR_WINDIR, else $XDG_CONFIG_HOME/zelkor.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zelkor::platform {

class Profile {
  public:
    virtual ~Profile() = default;

    // The Windows directory, or nothing when it cannot be determined.
    virtual std::optional<std::string> windowsDirectory() = 0;

    // GetProfileIntA: an integer from win.ini; `defaultValue` when the
    // section, key or file is missing. Leading digits are read as the number
    // ("81abc" is 81); a value with no leading digit reads as 0.
    virtual int getProfileInt(std::string_view section, std::string_view key, int defaultValue) = 0;

    // GetPrivateProfileStringA on `fileName` in the Windows directory.
    virtual std::optional<std::string> getPrivateProfileString(std::string_view section,
                                                               std::string_view key,
                                                               std::string_view fileName) = 0;

    // WritePrivateProfileStringA on `fileName` in the Windows directory:
    // sets one key, creating the section and the file when missing, and
    // keeps every other section, key, comment and the line order.
    virtual bool writePrivateProfileString(std::string_view section, std::string_view key,
                                           std::string_view value, std::string_view fileName) = 0;
};

std::optional<std::string> defaultWindowsDirectory();
std::unique_ptr<Profile> openFileProfile(std::string windowsDirectory);

}  // namespace zelkor::platform
