// Guard mode on the walker scene for ever, in virtual time, with WORKINGDIR
// the folder named on the command line: a process to kill in mid-run.
// MODE "clip" records a clip at every event, "trace" traces every event;
// "exit" starts as Vorrak does, raises no event and runs Vorrak's exit.
#include <cstdio>
#include <string_view>

#include "tests/guard_engine/engine_rig.h"
#include "vorrak/shell/startup.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: guard_runner WORKINGDIR [clip|trace|exit]\n");
        return 2;
    }
    const std::string_view mode = argc == 3 ? argv[2] : "";
    zelkor::test::SceneOptions scene;
    scene.periodMs = 1000;
    scene.workingDir = argv[1];
    zelkor::test::GuardSettings settings;
    settings.scanTime = 100;
    settings.videoCapture = mode == "clip" ? 1 : 0;
    settings.processStyle = mode == "trace" ? 2 : 0;
    zelkor::test::EngineRig rig(scene, settings);
    if (mode == "exit") {
        return zelkor::vorrak::ExitSequence(rig.vorrak, *rig.services);
    }
    rig.start();
    for (;;) {
        rig.run(100);
    }
}
