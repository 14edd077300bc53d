#pragma once
// What one run of the setup tool is asked to do, read from its arguments
// and checked in full before anything is written.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/vraksetup/setup_values.h"
#include "vorrak/config/settings.h"

namespace zelkor::tools {

struct SettingAssignment {
    const vorrak::SettingRow* entry = nullptr;
    uint32_t number = 0;
    std::string text;
};

struct SetupRequest {
    bool help = false;
    std::string workDir;  // as stored: absolute, normalised, checked
    // Untouched without --password or --no-password.
    PasswordChoice password;
    std::vector<SettingAssignment> assignments;
    // The card's source location for --camera, checked; empty without it.
    std::string cameraLocation;
    // Only the camera is set: the settings store is left alone.
    bool cameraOnly() const;
};

struct ParsedArguments {
    std::optional<SetupRequest> request;
    std::string error;  // why the arguments were refused
};

ParsedArguments ParseSetupArguments(const std::vector<std::string_view>& args);

// The working directory as stored: absolute, normalised, no trailing '/';
// empty when it cannot be made absolute (the current directory is gone).
std::string AbsoluteWorkDir(std::string_view dir);

// `values` with the request's assignments made.
void ApplyAssignments(const SetupRequest& request, SetupValues& values);

}  // namespace zelkor::tools
