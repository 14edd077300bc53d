#include "platform/station.h"

#include <limits.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/registry.h"

namespace zelkor::platform {

namespace {

constexpr std::string_view kStationOption = "--station";

bool stationCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-';
}

// The refused name as it may be shown on a terminal: control characters
// and the like become '?'.
std::string shown(std::string_view name) {
    std::string text(name.substr(0, 2 * kMaxStationName));
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f) {
            c = '?';
        }
    }
    return text;
}

}  // namespace

bool validStationName(std::string_view name) {
    if (name.empty() || name.size() > kMaxStationName) {
        return false;
    }
    for (const char c : name) {
        if (!stationCharacter(c)) {
            return false;
        }
    }
    return true;
}

std::string stationStorePath(const std::string& defaultStore, std::string_view station) {
    if (station.empty() || defaultStore.empty()) {
        return defaultStore;
    }
    const std::filesystem::path store(defaultStore);
    const std::string file =
        store.stem().string() + "-" + std::string(station) + store.extension().string();
    return (store.parent_path() / file).string();
}

std::string stationRegistryPath(std::string_view station) {
    return stationStorePath(defaultRegistryPath(), station);
}

std::string stationCardPath(const std::string& storePath, std::string_view station) {
    if (station.empty() || storePath.empty()) {
        return std::string();
    }
    const std::string file = "vcard-" + std::string(station) + ".ini";
    return (std::filesystem::path(storePath).parent_path() / file).string();
}

std::string stationCardConfig(std::string_view station, const char* environment) {
    const std::string own = stationCardPath(stationRegistryPath(station), station);
    std::error_code ec;
    if (!own.empty() && std::filesystem::exists(own, ec)) {
        return own;
    }
    return environment != nullptr ? std::string(environment) : std::string();
}

std::string stationClass(std::string_view baseClass, std::string_view station) {
    std::string name(baseClass);
    if (!station.empty()) {
        name += ".";
        name += station;
    }
    return name;
}

std::string stationLabel(std::string_view stationName) {
    if (!stationName.empty()) {
        return std::string(stationName);
    }
    char host[HOST_NAME_MAX + 1] = {};
    if (gethostname(host, sizeof host - 1) != 0 || host[0] == '\0') {
        return "localhost";
    }
    return host;
}

bool takeStationArgument(int& argc, char** argv, std::string* station, std::string* error) {
    station->clear();
    bool given = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        std::string_view value;
        if (arg == kStationOption) {
            if (i + 1 >= argc) {
                *error = "--station needs a station name";
                return false;
            }
            value = argv[++i];
        } else if (arg.starts_with(std::string(kStationOption) + "=")) {
            value = arg.substr(kStationOption.size() + 1);
        } else {
            argv[kept++] = argv[i];
            continue;
        }
        if (given) {
            *error = "--station is given twice";
            return false;
        }
        if (!validStationName(value)) {
            *error = "\"" + shown(value) + "\" is not a station name: 1 to " +
                     std::to_string(kMaxStationName) + " letters (A-Z, a-z), digits, '_' or '-'";
            return false;
        }
        given = true;
        *station = std::string(value);
    }
    argc = kept;
    argv[argc] = nullptr;
    return true;
}

}  // namespace zelkor::platform
