// Histran: started by Vorrak when it ends (or by hand); no window of its
// own, only message boxes.
#include <QApplication>

#include "histran/histran.h"
#include "platform/instance.h"
#include "platform/program_dir.h"
#include "platform/registry.h"
#include "platform/ui.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    namespace platform = zelkor::platform;
    const auto registry = platform::openFileRegistry(platform::defaultRegistryPath());
    const auto ui = platform::makeUi();
    const auto instances = platform::makeInstances(platform::defaultInstanceDirectory());
    zelkor::histran::HistranContext context{*registry, *ui, *instances,
                                            platform::programDirectory()};
    return zelkor::histran::HistranExitCode(zelkor::histran::RunHistran(context));
}
