#pragma once
// Vorrak's main window over the guard engine's rig: the engine, the card and
// the recorded services of the rig, with the real main window as the host
// of the capture window and of guard mode.

#include <memory>

#include "tests/guard_engine/engine_rig.h"
#include "vorrak/guard/detection_cycle.h"
#include "vorrak/shell/main_window.h"

namespace zelkor::test {

struct ShellRig {
    EngineRig rig;
    vorrak::NoLiveVideo live;
    vorrak::MainWindow window{rig.vorrak, live, rig.card->captureDriver()};
    vorrak::VorrakServices services{
        rig.registry,
        rig.ui,
        rig.clock,
        rig.timers,
        rig.recordedProcesses,
        rig.sound,
        window,
        vorrak::CaptureServices{rig.ui, *rig.profile, rig.disk, window, *rig.bus, {}},
        rig.services->settingsHost,
        rig.power,
        rig.instances,
        rig.shell};

    ShellRig() { window.attach(services); }
    ~ShellRig() { vorrak::StopGuard(rig.vorrak, services, 1); }
    vorrak::Vorrak& v() { return rig.vorrak; }
};

}  // namespace zelkor::test
