#pragma once
// Vorrak's main window over the guard engine's rig: the engine, the card and
// the recorded services of the rig, with the real main window as the host
// of the capture window and of guard mode.

#include <memory>

#include "tests/guard_engine/engine_rig.h"
#include "tests/shell/no_live_video.h"
#include "vorrak/guard/detection_cycle.h"
#include "vorrak/shell/live_video_chain.h"
#include "vorrak/shell/main_window.h"

namespace zelkor::test {

// Which live video the main window drives: none, or the real chain on the
// display of `ShellRig::displayCard` (the rig's card unless replaced).
enum class LiveVideoKind { None, Chain };

struct ShellRig {
    explicit ShellRig(LiveVideoKind kind = LiveVideoKind::None,
                      const SceneOptions& scene = SceneOptions())
        : rig(scene),
          live(kind == LiveVideoKind::Chain ? static_cast<vorrak::LiveVideoSteps&>(chain)
                                            : noLive) {
        window.attach(services);
        chain.attach(window);
    }
    ~ShellRig() {
        vorrak::StopGuard(rig.vorrak, services, 1);
        live.CloseLiveVideo();
    }
    vorrak::Vorrak& v() { return rig.vorrak; }

    EngineRig rig;
    vcard::VirtualCard* displayCard = rig.card.get();
    NoLiveVideo noLive;
    vorrak::LiveVideoChain chain{rig.vorrak, rig.ui, rig.timers, rig.bus->BusMethod,
                                 [this] { return displayCard->display().open(); }};
    vorrak::LiveVideoSteps& live;
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
};

}  // namespace zelkor::test
