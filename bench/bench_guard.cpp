// Cost of guard mode per timer tick on the virtual card, 352 x 288:
//   ScanTick: grab, save, read and compare one frame (goal 0.3 ms; with the
//     default SCANTIME of 500 ms that is 0.06 % of a core), against the grab
//     and save alone in the same loop.
//   ScanTick/page: the same with the status page on, refreshed every second
//     of virtual time by its writer's thread: the page is made off the
//     detection path, so the figures should match ScanTick's.
//   TraceTick: one tracing step with an object in the picture (goal 1.5 ms),
//     against the same grab and save.
// Each reports ours, the reference and their ratio.

#include <benchmark/benchmark.h>

#include <chrono>

#include "tests/guard_engine/engine_rig.h"
#include "vorrak/capture/recording.h"
#include "vorrak/guard/detection_cycle.h"
#include "vorrak/guard/tracing.h"
#include "vorrak/webpage/status_page.h"

namespace {

using namespace zelkor;
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// What every tick starts with: the frame grabbed and saved as a work file.
void grabOnly(vorrak::Vorrak& v, vorrak::VorrakServices& s) {
    vorrak::GrabFrameInFrameFormat(v.capture, s.capture, v.guard, v.files, vorrak::GuardView{});
}

constexpr uint32_t kStepMs = 400;

// `step` moves virtual time on between ticks, untimed.
template <typename Tick, typename Step>
void timeTicks(benchmark::State& state, test::EngineRig& rig, Tick tick, Step step) {
    vorrak::Vorrak& v = rig.vorrak;
    vorrak::VorrakServices& s = *rig.services;
    double ours = 0;
    double reference = 0;
    for (auto _ : state) {
        step();
        const auto t0 = Clock::now();
        const int ran = tick(v, s);
        const auto t1 = Clock::now();
        grabOnly(v, s);
        const auto t2 = Clock::now();
        if (ran != 1) {
            state.SkipWithError("the tick did not run to its end");
            break;
        }
        ours += seconds(t0, t1);
        reference += seconds(t1, t2);
        state.SetIterationTime(seconds(t0, t1));
    }
    const double n = double(state.iterations());
    state.counters["ours_us"] = ours / n * 1e6;
    state.counters["reference_us"] = reference / n * 1e6;
    state.counters["ratio"] = reference > 0 ? ours / reference : 0;
}

int scan(vorrak::Vorrak& v, vorrak::VorrakServices& s) {
    return vorrak::ScanTick(v, s);
}

test::SceneOptions staticScene() {
    test::SceneOptions scene;
    scene.scene = "static";
    scene.periodMs = 8000;
    scene.fiftyHertz = true;
    return scene;
}

void scanTick(benchmark::State& state) {
    test::EngineRig rig(staticScene());
    rig.start();
    timeTicks(state, rig, scan, [&rig] { rig.clock.advance(kStepMs); });
}

void scanTickWithPage(benchmark::State& state) {
    test::EngineRig rig(staticScene());
    rig.start();
    // The ticks are the loop's own; the timers move on only the page's.
    rig.timers.killTimer(&rig.vorrak.capture, vorrak::kScanTimer);
    rig.vorrak.settings.UPDATEWEBPAGE = 1;
    vorrak::webpage::StatusPage page(rig.vorrak, rig.timers, rig.clock);
    page.start();
    if (!page.running()) {
        state.SkipWithError("the page could not be started");
        return;
    }
    timeTicks(state, rig, scan, [&rig] { rig.timers.advance(kStepMs); });
    page.stop();
}

void traceTick(benchmark::State& state) {
    // The scene before the arrival is the tracing's reference; the object
    // then stands in the middle of the picture for as long as it runs.
    test::SceneOptions scene;
    scene.scene = "arrival";
    scene.periodMs = 1000;
    scene.fiftyHertz = true;
    test::GuardSettings settings;
    settings.processStyle = 1;
    test::EngineRig rig(scene, settings);
    rig.start();
    vorrak::Vorrak& v = rig.vorrak;
    vorrak::StopGuard(v, *rig.services, 0);
    rig.clock.advance(4000);
    v.guardMode.trace.tracing = 1;
    v.guard.tracingReference = v.guard.history.oldest;
    timeTicks(
        state, rig,
        [](vorrak::Vorrak& v, vorrak::VorrakServices& s) {
            const int ran = vorrak::TraceTick(v, s);
            return v.guardMode.trace.tracing != 0 ? ran : 0;
        },
        [&rig] { rig.clock.advance(kStepMs); });
}

}  // namespace

BENCHMARK(scanTick)->Name("ScanTick/352x288")->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(scanTickWithPage)
    ->Name("ScanTick/352x288/page")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(traceTick)->Name("TraceTick/352x288")->UseManualTime()->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
