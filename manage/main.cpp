// manage [--station NAME]: browses the stored events of a station, started
// by the user.
#include <QApplication>

#include <cstdio>
#include <string>

#include "manage/manage.h"
#include "platform/program_dir.h"
#include "platform/qt/services.h"
#include "platform/shell.h"
#include "platform/sound.h"
#include "platform/station.h"

int main(int argc, char** argv) {
    namespace platform = zelkor::platform;
    std::string station;
    std::string error;
    if (!platform::takeStationArgument(argc, argv, &station, &error)) {
        std::fprintf(stderr, "manage: %s\n", error.c_str());
        return 1;
    }
    QApplication app(argc, argv);
    const auto registry = platform::openFileRegistry(platform::stationRegistryPath(station));
    const auto instances = platform::makeInstances(platform::defaultInstanceDirectory());
    const auto ui = platform::makeUi();
    const auto sound = platform::makeSound();
    const auto shell = platform::makeShell();
    zelkor::manage::ManageContext context{
        *registry,
        *instances,
        {*ui, *sound, *shell},
        platform::programDirectory(),
        platform::stationClass(zelkor::manage::kInstanceClass, station),
        platform::stationLabel(station)};
    zelkor::manage::Manage manage;
    const auto start = zelkor::manage::StartManage(context, manage);
    if (start != zelkor::manage::ManageStart::Shown) {
        // A second copy has nothing to do; every other ending followed a failure.
        return start == zelkor::manage::ManageStart::AlreadyRunning ? 0 : 1;
    }
    return app.exec();
}
