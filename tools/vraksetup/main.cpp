// VrakSetup: sets up an installation. Without arguments it is a wizard that
// walks the user through every setting; with them it sets up from the
// command line. Either way it starts from what the store holds (defaults
// where none), changes what it is told, and writes the whole set at once.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/program_dir.h"
#include "platform/qt/services.h"
#include "platform/registry.h"
#include "platform/station.h"
#include "tools/vraksetup/camera_choice.h"
#include "tools/vraksetup/setup_request.h"
#include "tools/vraksetup/setup_values.h"
#include "tools/vraksetup/setup_wizard.h"
#include "tools/vraksetup/station_stores.h"
#include "tools/vraksetup/vcard_file.h"
#include "vorrak/config/password.h"
#include "vorrak/config/settings.h"
#include "vorrak/resources/strings.h"

namespace {

using namespace zelkor;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "Usage: VrakSetup --workdir DIR [--password TEXT | --no-password] [--camera CAMERA]\n"
    "                 [NAME=VALUE ...]\n"
    "       VrakSetup --camera CAMERA\n"
    "       VrakSetup --help\n"
    "       VrakSetup               (the setup wizard, on a display)\n"
    "Each form takes --station NAME to set up that station instead of the default one.\n";

// The card configuration the camera is written to. A station writes its
// own file even where none is there yet: the camera of one station must
// never change another's.
std::string vcardFile(const std::string& station) {
    if (!station.empty()) {
        return platform::stationCardPath(platform::stationRegistryPath(station), station);
    }
    return tools::VcardFilePath(std::getenv("ZELKOR_VCARD"), platform::programDirectory());
}

void printHelp(const std::string& station) {
    std::fputs(kUsage, stdout);
    std::printf(
        "\n"
        "Writes the settings of an installation to the settings store\n"
        "(%s; set ZELKOR_REGISTRY to use another file).\n"
        "\n"
        "  --station NAME     sets up station NAME (1 to %zu of A-Z a-z 0-9 _ -), one\n"
        "                     of several guards on this machine: its own store\n"
        "                     beside the default one (registry-NAME.reg), its own card\n"
        "                     configuration vcard-NAME.ini beside that, and a working\n"
        "                     directory no other station uses.\n"
        "Settings not given keep what the store holds (their defaults when it holds\n"
        "none); all of them are written at once.\n"
        "  --workdir DIR      WORKINGDIR: where work frames, event pictures and clips,\n"
        "                     History.Log and the event database live. Made absolute\n"
        "                     and created when missing.\n"
        "  --password TEXT    Vorrak asks for TEXT at start and when guard mode is\n"
        "                     stopped (at most %zu characters).\n"
        "  --no-password      Vorrak asks for no password.\n"
        "                     Without either option the password set-up is kept.\n"
        "  --camera CAMERA    the camera on the card's composite input: scene:NAME,\n"
        "                     a video file, a camera address (rtsp://..., http://...)\n"
        "                     or a video device /dev/videoN. Only the source line of\n"
        "                     [composite] in the card configuration changes (%s;\n"
        "                     set ZELKOR_VCARD to use another file). Given alone, it\n"
        "                     leaves the settings store as it is.\n"
        "  NAME=VALUE         sets one setting; names are not case-sensitive.\n"
        "                     Settings, their ranges and defaults:\n",
        platform::stationRegistryPath(station).c_str(), platform::kMaxStationName,
        vorrak::kMaxPasswordLength, vcardFile(station).c_str());
    for (const auto& entry : tools::SetupSettings()) {
        if (entry.kind == vorrak::SettingKind::Number) {
            std::printf("    %-20s number from %u to %u, default %u\n",
                        std::string(entry.name).c_str(), entry.minimum, entry.maximum,
                        entry.numberDefault);
            continue;
        }
        std::string fallback = "\"" + std::string(entry.textDefault) + "\"";
        if (entry.rule == vorrak::SettingDefault::Required) {
            fallback = "from --workdir";
        } else if (entry.rule == vorrak::SettingDefault::Viewer) {
            fallback = "\"" + std::string(vorrak::kDesktopOpener) + "\"";
        }
        const uint32_t longest = entry.rule == vorrak::SettingDefault::Required
                                     ? uint32_t(vorrak::kWorkingDirMax)
                                     : entry.size - 1;
        std::printf("    %-20s text of at most %u characters, default %s\n",
                    std::string(entry.name).c_str(), longest, fallback.c_str());
    }
    std::puts(
        "\nExit status: 0 done, 1 the store or the directory could not be written,\n"
        "2 the arguments were refused (nothing is written then).");
}

int fail(const std::string& message) {
    std::fprintf(stderr, "VrakSetup: %s\n", message.c_str());
    return kExitFailed;
}

std::unique_ptr<platform::Registry> openStore(const std::string& station, std::string* path) {
    *path = platform::stationRegistryPath(station);
    return path->empty() ? nullptr : platform::openFileRegistry(*path);
}

constexpr const char* kNoStoreMessage =
    "no place for the settings store: set ZELKOR_REGISTRY or HOME";

// Without arguments: the wizard, when there is a screen to show it on.
int runWizard(int argc, char** argv, const std::string& station) {
    auto app = platform::startGuiApplication(argc, argv);
    if (app == nullptr) {
        std::fprintf(stderr,
                     "VrakSetup: the setup wizard needs a display (DISPLAY or WAYLAND_DISPLAY);\n"
                     "without one, set up from the command line:\n%s"
                     "Try 'VrakSetup --help' for more.\n",
                     kUsage);
        return kExitUsage;
    }
    std::string storePath;
    auto registry = openStore(station, &storePath);
    if (registry == nullptr) {
        return fail(kNoStoreMessage);
    }
    auto ui = platform::makeUi();
    tools::SetupWizard wizard(*registry, *ui, vcardFile(station), station);
    wizard.show();
    app->exec();
    return wizard.result() == QDialog::Accepted ? kExitOk : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
    std::string station;
    std::string error;
    if (!platform::takeStationArgument(argc, argv, &station, &error)) {
        std::fprintf(stderr, "VrakSetup: %s\n%sTry 'VrakSetup --help' for more.\n", error.c_str(),
                     kUsage);
        return kExitUsage;
    }
    if (argc < 2) {
        return runWizard(argc, argv, station);
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
        printHelp(station);
        return kExitOk;
    }

    if (!request.cameraOnly()) {
        const std::string shared =
            tools::SharedWorkDirProblem(platform::defaultRegistryPath(), station, request.workDir);
        if (!shared.empty()) {
            std::fprintf(stderr, "VrakSetup: %s\n", shared.c_str());
            return kExitUsage;
        }
        if (!tools::PrepareWorkingDirectory(request.workDir, &error)) {
            return fail(error);
        }
    }
    if (!request.cameraLocation.empty()) {
        const std::string file = vcardFile(station);
        if (!tools::WriteCameraLocation(file, request.cameraLocation, error)) {
            return fail(error);
        }
        std::printf("Camera written to %s: %s\n", file.c_str(),
                    tools::MaskCredentials(request.cameraLocation).c_str());
        if (request.cameraOnly()) {
            return kExitOk;
        }
    }
    std::string storePath;
    auto registry = openStore(station, &storePath);
    if (registry == nullptr) {
        return fail(kNoStoreMessage);
    }
    auto values = tools::ReadSetupValues(*registry);
    tools::ApplyAssignments(request, values);
    if (!tools::WriteSetup(*registry, values, request.password)) {
        return fail("cannot write the settings store " + storePath);
    }
    std::printf("Settings written to %s (working directory %s).\n", storePath.c_str(),
                request.workDir.c_str());
    return kExitOk;
}
