#include "tools/vraksetup/setup_request.h"

#include <filesystem>

#include "platform/text.h"

#include "tools/companions/companion_values.h"
#include "tools/vraksetup/camera_choice.h"
#include "vorrak/config/password.h"
#include "vorrak/resources/strings.h"

namespace zelkor::tools {

namespace {

using vorrak::SettingKind;

// NAME=VALUE checked against the table; an error text when refused.
std::string assign(std::string_view arg, SetupRequest& request) {
    const auto eq = arg.find('=');
    const auto name = arg.substr(0, eq);
    const auto value = arg.substr(eq + 1);
    const auto* entry = FindStoredValue(name);
    if (entry == nullptr) {
        return "unknown setting \"" + std::string(name) + "\"";
    }
    if (entry->rule == vorrak::SettingDefault::Required) {
        return std::string(entry->name) + " is set with --workdir";
    }
    SettingAssignment a{entry, 0, {}};
    if (entry->kind == SettingKind::Number) {
        const auto number = platform::parseDecimal(value);
        if (!number) {
            return std::string(entry->name) + " takes a number from " +
                   std::to_string(entry->minimum) + " to " + std::to_string(entry->maximum) +
                   ", not \"" + std::string(value) + "\"";
        }
        if (auto problem = NumberProblem(*entry, *number); !problem.empty()) {
            return problem;
        }
        a.number = *number;
    } else {
        if (auto problem = TextProblem(*entry, value); !problem.empty()) {
            return problem;
        }
        a.text = std::string(value);
    }
    request.assignments.push_back(std::move(a));
    return {};
}

ParsedArguments refuse(std::string error) {
    return {std::nullopt, std::move(error)};
}

}  // namespace

std::string AbsoluteWorkDir(std::string_view dir) {
    std::error_code ec;
    auto path = std::filesystem::absolute(std::filesystem::path(dir), ec).lexically_normal();
    if (ec || !path.is_absolute()) {
        return {};
    }
    auto text = path.string();
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

ParsedArguments ParseSetupArguments(const std::vector<std::string_view>& args) {
    SetupRequest request;
    bool haveWorkDir = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const auto arg = args[i];
        if (arg == "--help" || arg == "-h") {
            request.help = true;
            return {std::move(request), {}};
        }
        if (arg == "--workdir" || arg == "--password" || arg == "--camera") {
            if (i + 1 >= args.size()) {
                return refuse(std::string(arg) + " needs a value");
            }
            const auto value = args[++i];
            if (arg == "--workdir") {
                request.workDir = std::string(value);
                haveWorkDir = true;
                continue;
            }
            if (arg == "--camera") {
                CameraSource camera = CameraSourceOf(value);
                if (camera.location.empty()) {
                    return refuse("--camera: " + camera.error);
                }
                request.cameraLocation = std::move(camera.location);
                continue;
            }
            if (request.password.change == PasswordChange::Off) {
                return refuse("--password and --no-password exclude each other");
            }
            if (auto problem = PasswordProblem(value); !problem.empty()) {
                return refuse(std::move(problem));
            }
            const auto scrambled = vorrak::ScramblePassword(value);
            request.password = {PasswordChange::Set, *scrambled};
            continue;
        }
        if (arg == "--no-password") {
            if (request.password.change == PasswordChange::Set) {
                return refuse("--password and --no-password exclude each other");
            }
            request.password = {PasswordChange::Off, {}};
            continue;
        }
        if (arg.starts_with("-") || arg.find('=') == std::string_view::npos) {
            return refuse("unknown argument \"" + std::string(arg) + "\"");
        }
        if (auto error = assign(arg, request); !error.empty()) {
            return refuse(std::move(error));
        }
    }
    if (!haveWorkDir && request.cameraOnly()) {
        return {std::move(request), {}};
    }
    if (!haveWorkDir || request.workDir.empty()) {
        return refuse("--workdir DIR is required");
    }
    // Vorrak keeps the folder as stored, so it is stored absolute: relative,
    // it would depend on where Vorrak happens to be started.
    request.workDir = AbsoluteWorkDir(request.workDir);
    if (request.workDir.empty()) {
        return refuse(
            "the working directory cannot be made absolute (is the current directory "
            "still there?); give it as an absolute path");
    }
    const auto* workDirEntry = FindStoredValue(resources::kWorkingDirValue);
    if (auto problem = TextProblem(*workDirEntry, request.workDir); !problem.empty()) {
        return refuse(std::move(problem));
    }
    return {std::move(request), {}};
}

bool SetupRequest::cameraOnly() const {
    return !cameraLocation.empty() && assignments.empty() &&
           password.change == PasswordChange::Untouched && workDir.empty();
}

void ApplyAssignments(const SetupRequest& request, SetupValues& values) {
    for (const auto& a : request.assignments) {
        if (a.entry->kind == SettingKind::Number) {
            values.setNumber(a.entry->name, a.number);
        } else {
            values.setText(a.entry->name, a.text);
        }
    }
    values.setText(resources::kWorkingDirValue, request.workDir);
}

}  // namespace zelkor::tools
