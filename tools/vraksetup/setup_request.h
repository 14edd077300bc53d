#pragma once
// What one run of the setup tool is asked to do, read from its arguments
// and checked in full before anything is written.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vorrak/config/settings.h"

namespace zelkor::tools {

enum class PasswordChange {
    Untouched,  // neither option: the maker key is left as it is
    Set,        // --password TEXT
    Off,        // --no-password
};

struct SettingAssignment {
    const vorrak::SettingSpec* entry = nullptr;
    uint32_t number = 0;
    std::string text;
};

struct SetupRequest {
    bool help = false;
    std::string workDir;  // as given
    PasswordChange password = PasswordChange::Untouched;
    std::string scrambledPassword;  // RUNSTRING, for PasswordChange::Set
    std::vector<SettingAssignment> assignments;
};

struct ParsedArguments {
    std::optional<SetupRequest> request;
    std::string error;  // why the arguments were refused
};

ParsedArguments ParseSetupArguments(const std::vector<std::string_view>& args);

// The working directory as stored: absolute, normalised, no trailing '/'.
std::string AbsoluteWorkDir(std::string_view dir);

}  // namespace zelkor::tools
