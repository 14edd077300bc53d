// VrakSetup: sets up an installation from the command line. It writes every
// setting of the product key with its default, the working directory, the
// values given as NAME=VALUE and, when asked, the access password.

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "eventdb/event_database.h"
#include "platform/registry.h"
#include "tools/vraksetup/setup_request.h"
#include "vorrak/config/password.h"
#include "vorrak/config/settings.h"
#include "vorrak/resources/strings.h"

namespace {

using namespace zelkor;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "Usage: VrakSetup --workdir DIR [--password TEXT | --no-password] [NAME=VALUE ...]\n"
    "       VrakSetup --help\n";

void printHelp() {
    std::fputs(kUsage, stdout);
    std::printf(
        "\n"
        "Writes the settings of an installation to the settings store\n"
        "(%s; set ZELKOR_REGISTRY to use another file).\n"
        "\n"
        "Every setting is written with its default, then:\n"
        "  --workdir DIR      WORKINGDIR: where work frames, event pictures and clips,\n"
        "                     History.Log and the event database live. Made absolute\n"
        "                     and created when missing.\n"
        "  --password TEXT    Vorrak asks for TEXT at start and when guard mode is\n"
        "                     stopped (at most %zu characters).\n"
        "  --no-password      Vorrak asks for no password.\n"
        "                     Without either option the password set-up is kept.\n"
        "  NAME=VALUE         sets one setting instead of its default; names are not\n"
        "                     case-sensitive. Settings and defaults:\n",
        platform::defaultRegistryPath().c_str(), vorrak::kMaxPasswordLength);
    for (const auto& entry : vorrak::ProductSettings()) {
        if (entry.kind == vorrak::SettingKind::Number) {
            std::printf("    %-20s number, default %u\n", std::string(entry.name).c_str(),
                        entry.numberDefault);
            continue;
        }
        std::string fallback = "\"" + std::string(entry.textDefault) + "\"";
        if (entry.rule == vorrak::SettingDefault::Required) {
            fallback = "from --workdir";
        } else if (entry.rule == vorrak::SettingDefault::Viewer) {
            fallback = "\"" + std::string(vorrak::kDesktopOpener) + "\"";
        }
        std::printf("    %-20s text of at most %u characters, default %s\n",
                    std::string(entry.name).c_str(), entry.size - 1, fallback.c_str());
    }
    std::puts(
        "\nExit status: 0 done, 1 the store or the directory could not be written,\n"
        "2 the arguments were refused (nothing is written then).");
}

int fail(const std::string& message) {
    std::fprintf(stderr, "VrakSetup: %s\n", message.c_str());
    return kExitFailed;
}

// Everything the programs expect to find in the working directory is made
// here, once the folder exists.
bool prepareWorkingDirectory(const std::string& dir, std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec || !std::filesystem::is_directory(dir)) {
        *error = "cannot create the working directory " + dir +
                 (ec ? ": " + ec.message() : ": a file of that name exists");
        return false;
    }
    // Histran and manage only open the event database, so a new working
    // directory gets an empty one; an existing database is kept as it is.
    const std::filesystem::path database =
        std::filesystem::path(dir) / resources::kDatabaseFileName;
    // A link whose database is gone (an unmounted share, a moved file) must
    // not be replaced by an empty database: the events would go there.
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(database, ec)) &&
        !std::filesystem::exists(database, ec)) {
        *error = "the event database " + database.string() + " is a link to " +
                 std::filesystem::read_symlink(database, ec).string() +
                 ", which is missing: restore that file or remove the link";
        return false;
    }
    if (!std::filesystem::exists(database, ec)) {
        std::string dbError;
        if (!eventdb::CreateEventDatabase(database.string(), &dbError)) {
            *error = "cannot create the event database " + database.string() + ": " + dbError;
            return false;
        }
    }
    return true;
}

bool writeProductKey(platform::Registry& registry, const tools::SetupRequest& request,
                     const std::string& workDir) {
    auto key = registry.createKey(vorrak::kProductKey);
    if (!key) {
        return false;
    }
    for (const auto& entry : vorrak::ProductSettings()) {
        bool ok = false;
        if (entry.kind == vorrak::SettingKind::Number) {
            ok = platform::setNumber(*key, entry.name, entry.numberDefault);
        } else if (entry.rule == vorrak::SettingDefault::Required) {
            ok = platform::setText(*key, entry.name, workDir);
        } else if (entry.rule == vorrak::SettingDefault::Viewer) {
            ok = platform::setText(*key, entry.name, vorrak::kDesktopOpener);
        } else {
            ok = platform::setText(*key, entry.name, entry.textDefault);
        }
        if (!ok) {
            return false;
        }
    }
    for (const auto& a : request.assignments) {
        const bool ok = a.entry->kind == vorrak::SettingKind::Number
                            ? platform::setNumber(*key, a.entry->name, a.number)
                            : platform::setText(*key, a.entry->name, a.text);
        if (!ok) {
            return false;
        }
    }
    return true;
}

bool writeMakerKey(platform::Registry& registry, const tools::SetupRequest& request) {
    if (request.password == tools::PasswordChange::Untouched) {
        return true;
    }
    auto key = registry.createKey(vorrak::kMakerKey);
    if (!key) {
        return false;
    }
    if (request.password == tools::PasswordChange::Off) {
        return platform::setNumber(*key, resources::kRunNormalValue, 0);
    }
    return platform::setNumber(*key, resources::kRunNormalValue, vorrak::kRunNormalPassword) &&
           platform::setText(*key, resources::kRunStringValue, request.scrambledPassword);
}

}  // namespace

// The display library's version as the suite's installation records it;
// a version already there is kept.
bool writeDirectXVersion(platform::Registry& registry) {
    auto key = registry.createKey(resources::kDirectXKey);
    if (!key) {
        return false;
    }
    uint32_t size = 0;
    if (key->queryValue(resources::kDirectXVersionValue, nullptr, nullptr, &size)) {
        return true;
    }
    return platform::setText(*key, resources::kDirectXVersionValue,
                             resources::kInstalledDirectXVersion);
}

int main(int argc, char** argv) {
    if (argc < 2) {
        // Started as the wizard, without arguments: there is nothing to ask
        // interactively yet, so say how it is used.
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const auto parsed = tools::ParseSetupArguments(args);
    if (!parsed.request) {
        std::fprintf(stderr, "VrakSetup: %s\n%sTry 'VrakSetup --help' for more.\n",
                     parsed.error.c_str(), kUsage);
        return kExitUsage;
    }
    const auto& request = *parsed.request;
    if (request.help) {
        printHelp();
        return kExitOk;
    }

    const std::string workDir = tools::AbsoluteWorkDir(request.workDir);
    std::string error;
    if (!prepareWorkingDirectory(workDir, &error)) {
        return fail(error);
    }
    const std::string storePath = platform::defaultRegistryPath();
    if (storePath.empty()) {
        return fail("no place for the settings store: set ZELKOR_REGISTRY or HOME");
    }
    auto registry = platform::openFileRegistry(storePath);
    if (!writeProductKey(*registry, request, workDir) || !writeMakerKey(*registry, request) ||
        !writeDirectXVersion(*registry)) {
        return fail("cannot write the settings store " + storePath);
    }
    std::printf("Settings written to %s (working directory %s).\n", storePath.c_str(),
                workDir.c_str());
    return kExitOk;
}
