// The start-up hardware sequence (chip detection, decoder check, decoder
// initialisation, one signal search) on the virtual card, in virtual time so
// the specified sleeps cost nothing. Goal: at most 50 ms of CPU per run.
// The reference runs the same bus code against ports that only count (no
// device answers there, so it does a different amount of work); the ratio
// compares the cost per port operation, which shows what the card's
// line-level model adds.

#include <benchmark/benchmark.h>

#include <ctime>

#include "platform/fake/virtual_clock.h"
#include "vcard/card.h"
#include "vorrak/hardware/decoder_bus.h"
#include "vorrak/hardware/detection.h"
#include "vorrak/hardware/picture_controls.h"

namespace {

using namespace zelkor;

// Answers every port read with all lines high; keeps nothing.
class CountingPorts : public platform::Ports {
  public:
    uint64_t ops = 0;
    uint8_t in(uint16_t) override {
        ++ops;
        return 0xFF;
    }
    void out(uint16_t, uint8_t) override { ++ops; }
};

class OneChipPci : public platform::Pci {
  public:
    bool findDevice(uint16_t vendor, uint16_t device, int) override {
        return vendor == 0x10DE && device == 0x0028;
    }
};

void startup(platform::Ports& ports, platform::Pci& pci, platform::Clock& clock) {
    vorrak::DecoderBus bus(ports, clock);
    vorrak::DisplayChipInfo info;
    vorrak::DetectDisplayChip(pci, bus, info);
    vorrak::CheckDecoder(bus);
    vorrak::DecoderInit(bus);
    vorrak::PictureSettings settings;
    benchmark::DoNotOptimize(vorrak::SignalSearch(bus, settings));
}

// Composite carries a 60 Hz scene: the search reads S-Video five times,
// then finds the signal on Composite, as on the default card.
uint64_t cardStartup() {
    platform::VirtualClock clock;
    vcard::SourceConfig scene{"scene:walker", 60, 1, 8000};
    std::string error;
    vcard::VirtualCard card(vcard::VcardConfig{}, clock, vcard::makeSource(scene, error), nullptr);
    startup(card.ports(), card.pci(), clock);
    return card.ports().portReads() + card.ports().portWrites();
}

uint64_t referenceStartup() {
    platform::VirtualClock clock;
    CountingPorts ports;
    OneChipPci pci;
    startup(ports, pci, clock);
    return ports.ops;
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void BM_StartupSequenceOnCard(benchmark::State& state) {
    uint64_t ops = 0;
    const double start = cpuSeconds();
    for (auto _ : state) {
        ops += cardStartup();
    }
    const double cardSeconds = (cpuSeconds() - start) / double(state.iterations());

    const double refStart = cpuSeconds();
    const int refRuns = 20;
    uint64_t refOps = 0;
    for (int i = 0; i < refRuns; ++i) {
        refOps += referenceStartup();
    }
    const double refSecondsPerOp = (cpuSeconds() - refStart) / double(refOps);
    const double cardSecondsPerOp = cardSeconds * double(state.iterations()) / double(ops);

    state.counters["port_ops"] = double(ops) / double(state.iterations());
    state.counters["port_ops_per_s"] = benchmark::Counter(double(ops), benchmark::Counter::kIsRate);
    state.counters["cpu_ms"] = cardSeconds * 1e3;
    state.counters["goal_ms"] = 50;
    state.counters["per_op_vs_counting_ports"] = cardSecondsPerOp / refSecondsPerOp;
}
BENCHMARK(BM_StartupSequenceOnCard)->Unit(benchmark::kMillisecond);

void BM_StartupSequenceOnCountingPorts(benchmark::State& state) {
    uint64_t ops = 0;
    for (auto _ : state) {
        ops += referenceStartup();
    }
    state.counters["port_ops_per_s"] = benchmark::Counter(double(ops), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_StartupSequenceOnCountingPorts)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
