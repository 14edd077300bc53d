// Guard mode meets whatever lands in its work files: each input is a few
// settings bytes and then frame files (each a little-endian u16 length and
// that many bytes), which a capture window hands out one per grab. The scan
// and the tracing run over them in virtual time: detections, events, object
// tracing and its end, with frames of any size or none at all.

#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "platform/fake/fake_disk.h"
#include "platform/fake/fake_power.h"
#include "platform/fake/fake_timers.h"
#include "platform/fake/memory_registry.h"
#include "platform/fake/recording_canvas.h"
#include "platform/fake/recording_processes.h"
#include "platform/fake/recording_shell.h"
#include "platform/fake/recording_sound.h"
#include "platform/fake/recording_ui.h"
#include "platform/fake/virtual_clock.h"
#include "platform/profile.h"
#include "tests/support/capture_host_stub.h"
#include "tests/support/fake_instances.h"
#include "vorrak/guard/detection_cycle.h"
#include "vorrak/guard/tracing.h"

using namespace zelkor;

namespace {

struct Input {
    std::span<const uint8_t> rest;
    uint8_t byte() {
        if (rest.empty()) {
            return 0;
        }
        const uint8_t b = rest[0];
        rest = rest.subspan(1);
        return b;
    }
    std::span<const uint8_t> chunk() {
        const size_t n = size_t(byte()) | size_t(byte()) << 8;
        const auto part = rest.first(std::min(n, rest.size()));
        rest = rest.subspan(part.size());
        return part;
    }
};

// A capture window whose grabs are the input's frame files.
class FuzzWindow : public platform::CaptureWindow {
  public:
    explicit FuzzWindow(Input& input) : input_(input) {}
    platform::WindowHandle window() override { return nullptr; }
    void place(int, int, int, int) override {}
    platform::Canvas& canvas() override { return canvas_; }
    void repaint() override { canvas_.drawn.clear(); }
    bool driverConnect(int) override { return true; }
    bool driverDisconnect() override { return true; }
    bool getStatus(platform::CaptureStatus&) override { return true; }
    std::vector<uint8_t> getVideoFormat() override { return {}; }
    bool setVideoFormat(std::span<const uint8_t>) override { return true; }
    bool dlgVideoFormat() override { return false; }
    bool dlgVideoCompression() override { return false; }
    std::vector<uint8_t> getAudioFormat() override { return {}; }
    bool setAudioFormat(std::span<const uint8_t>) override { return false; }
    bool setPreview(bool) override { return true; }
    bool setOverlay(bool) override { return true; }
    bool grabFrameNoStop() override { return true; }
    bool fileSaveDib(const std::string& path) override {
        if (input_.rest.empty()) {
            return false;
        }
        const auto frame = input_.chunk();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(frame.data()), std::streamsize(frame.size()));
        return true;
    }
    bool setSequenceSetup(const platform::CaptureParms&) override { return true; }
    bool getSequenceSetup(platform::CaptureParms&) override { return true; }
    bool fileSetCaptureFile(const std::string&) override { return false; }
    bool sequence() override { return false; }
    bool stop() override { return true; }
    void setStatusCallback(platform::CaptureCallback) override {}
    void setErrorCallback(platform::CaptureCallback) override {}

  private:
    Input& input_;
    platform::RecordingCanvas canvas_;
};

class NoHost : public vorrak::GuardHost {
  public:
    void hideToTray() override {}
    void restoreFromTray() override {}
    void repaintControlPanel() override {}
    void repaintMainWindow() override {}
    platform::Canvas& mainWindowCanvas() override { return canvas_; }
    void focusMainWindow() override {}
    void refreshEventList(bool) override {}
    void startRegionSelection() override {}
    bool askPassword() override { return true; }
    void openTracingMenu() override {}
    void closeTracingMenu() override {}

  private:
    platform::RecordingCanvas canvas_;
};

// The bus is never reached by the engine; its ports answer nothing.
class NoPorts : public platform::Ports {
  public:
    uint8_t in(uint16_t) override { return 0xFF; }
    void out(uint16_t, uint8_t) override {}
};

const std::string& workDir() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/guard_ticks_XXXXXX";
        const char* made = ::mkdtemp(pattern);
        return std::string(made != nullptr ? made : "/tmp");
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input input{std::span<const uint8_t>(data, size)};
    platform::VirtualClock clock;
    platform::FakeTimers timers(clock);
    platform::MemoryRegistry registry;
    platform::RecordingUi ui;
    platform::RecordingSound sound;
    platform::RecordingProcesses processes;
    platform::FakeDisk disk;
    platform::FakePower power;
    testing::FakeInstances instances;
    platform::RecordingShell shell;
    NoHost host;
    testing::CaptureHostStub captureHost;
    NoPorts ports;
    vorrak::DecoderBus bus(ports, clock);
    const auto profile = platform::openFileProfile(workDir());
    vorrak::VorrakServices s{registry,
                             ui,
                             clock,
                             timers,
                             processes,
                             sound,
                             host,
                             vorrak::CaptureServices{ui, *profile, disk, captureHost, bus, {}},
                             vorrak::SettingsHost{registry, ui, "viewer", {}, {}},
                             power,
                             instances,
                             shell};

    vorrak::Vorrak v;
    vorrak::InitGuardFiles(workDir(), v.files, v.guard);
    v.capture.eventFolder = workDir();
    v.capture.CaptureState = vorrak::kCaptureConnected;
    v.capture.window = std::make_unique<FuzzWindow>(input);
    v.settings.PROCESSSTYLE = input.byte() % 4;
    v.settings.STOPSTYLE = input.byte() % 4;
    v.settings.SENSIBILITY = input.byte();
    v.settings.RELEASETIME = input.byte() % 8;
    v.settings.USEREGIONCOMPARE = input.byte() % 2;
    v.capture.region = {input.byte(), input.byte(), 2 * input.byte(), input.byte()};
    v.settings.SCANTIME = 100;

    vorrak::StartGuard(v, s);
    for (int i = 0; i < 64 && !input.rest.empty(); ++i) {
        timers.advance(100);
    }
    vorrak::StopGuard(v, s, 1);
    return 0;
}
