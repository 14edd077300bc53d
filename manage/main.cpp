// manage: browses the stored events, started by the user.
#include <QApplication>
#include <QSysInfo>

#include "manage/manage.h"
#include "platform/program_dir.h"
#include "platform/qt/services.h"
#include "platform/shell.h"
#include "platform/sound.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    namespace platform = zelkor::platform;
    const auto registry = platform::openFileRegistry(platform::defaultRegistryPath());
    const auto instances = platform::makeInstances(platform::defaultInstanceDirectory());
    const auto ui = platform::makeUi();
    const auto sound = platform::makeSound();
    const auto shell = platform::makeShell();
    zelkor::manage::ManageContext context{*registry,
                                          *instances,
                                          {*ui, *sound, *shell},
                                          platform::programDirectory(),
                                          QSysInfo::machineHostName().toStdString()};
    zelkor::manage::Manage manage;
    const auto start = zelkor::manage::StartManage(context, manage);
    if (start != zelkor::manage::ManageStart::Shown) {
        // A second copy has nothing to do; every other ending followed a failure.
        return start == zelkor::manage::ManageStart::AlreadyRunning ? 0 : 1;
    }
    return app.exec();
}
