// Guard mode on the walker scene for ever, in virtual time, with WORKINGDIR
// the folder named on the command line: a process to kill in mid-run.
#include <cstdio>

#include "tests/guard_engine/engine_rig.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: guard_runner WORKINGDIR\n");
        return 2;
    }
    zelkor::test::SceneOptions scene;
    scene.periodMs = 1000;
    scene.workingDir = argv[1];
    zelkor::test::GuardSettings settings;
    settings.scanTime = 100;
    zelkor::test::EngineRig rig(scene, settings);
    rig.start();
    for (;;) {
        rig.run(100);
    }
}
