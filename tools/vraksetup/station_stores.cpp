#include "tools/vraksetup/station_stores.h"

#include <filesystem>
#include <system_error>

#include "platform/registry.h"
#include "platform/station.h"
#include "tools/vraksetup/setup_values.h"
#include "vorrak/resources/strings.h"

namespace zelkor::tools {

namespace {

namespace fs = std::filesystem;

// One folder, however it is written: links and "." or ".." resolved as far
// as the folder exists.
fs::path sameFolder(const std::string& dir) {
    std::error_code ec;
    const fs::path resolved = fs::weakly_canonical(dir, ec);
    return ec ? fs::path(dir).lexically_normal() : resolved;
}

}  // namespace

std::vector<std::string> StationsBeside(const std::string& defaultStore) {
    std::vector<std::string> stations;
    if (defaultStore.empty()) {
        return stations;
    }
    const fs::path store(defaultStore);
    const std::string prefix = store.stem().string() + "-";
    const std::string extension = store.extension().string();
    std::error_code ec;
    if (fs::exists(store, ec)) {
        stations.emplace_back();
    }
    for (fs::directory_iterator it(store.parent_path(), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string file = it->path().filename().string();
        if (file.size() <= prefix.size() + extension.size() || !file.starts_with(prefix) ||
            !file.ends_with(extension)) {
            continue;
        }
        const std::string name =
            file.substr(prefix.size(), file.size() - prefix.size() - extension.size());
        if (platform::validStationName(name)) {
            stations.push_back(name);
        }
    }
    return stations;
}

std::string SharedWorkDirProblem(const std::string& defaultStore, std::string_view station,
                                 const std::string& workDir) {
    const fs::path wanted = sameFolder(workDir);
    for (const std::string& other : StationsBeside(defaultStore)) {
        if (other == station) {
            continue;
        }
        const auto registry =
            platform::openFileRegistry(platform::stationStorePath(defaultStore, other));
        const std::string theirs = ReadSetupValues(*registry).text(resources::kWorkingDirValue);
        if (!theirs.empty() && sameFolder(theirs) == wanted) {
            const std::string owner = other.empty() ? "the default station" : "station " + other;
            return workDir + " is already the working directory of " + owner +
                   ": each station needs a folder of its own";
        }
    }
    return std::string();
}

std::string ProposedWorkDir(const std::string& home, std::string_view station) {
    std::string dir = home + "/Oculara";
    if (!station.empty()) {
        dir += "-" + std::string(station);
    }
    return dir;
}

}  // namespace zelkor::tools
