// Histran [--station NAME]: started by Vorrak when it ends (or by hand); no
// window of its own, only message boxes, and on a machine without a screen
// (a guard machine run headless) those go to the console.
#include <cstdio>
#include <string>

#include "histran/histran.h"
#include "platform/instance.h"
#include "platform/program_dir.h"
#include "platform/qt/services.h"
#include "platform/registry.h"
#include "platform/station.h"
#include "platform/ui.h"

int main(int argc, char** argv) {
    namespace platform = zelkor::platform;
    std::string station;
    std::string error;
    if (!platform::takeStationArgument(argc, argv, &station, &error)) {
        std::fprintf(stderr, "Histran: %s\n", error.c_str());
        return 1;
    }
    const auto app = platform::startGuiApplication(argc, argv);
    const auto registry = platform::openFileRegistry(platform::stationRegistryPath(station));
    const auto ui = platform::makeUi();
    const auto instances = platform::makeInstances(platform::defaultInstanceDirectory());
    zelkor::histran::HistranContext context{
        *registry, *ui, *instances, platform::programDirectory(),
        platform::stationClass(zelkor::histran::kInstanceClass, station),
        platform::stationLabel(station)};
    zelkor::histran::HistranSummary summary;
    const auto outcome = zelkor::histran::RunHistran(context, summary);
    // Started by hand, a run would otherwise say nothing on success or
    // when the option is off. On stdout: stderr carries the console's
    // boxes, which tell of failures only.
    std::printf("%s\n", zelkor::histran::SummaryLine(outcome, summary).c_str());
    return zelkor::histran::HistranExitCode(outcome);
}
