#pragma once
// Vorrak's guard engine on the virtual card: a synthetic scene on the
// composite input, the card's own capture window connected, settings in an
// in-memory store, every other service recorded, and virtual time, so whole
// guard scenarios run in milliseconds.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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
#include "tests/support/temp_dir.h"
#include "vcard/capture_window.h"
#include "vcard/card.h"
#include "vorrak/hardware/decoder_bus.h"
#include "vorrak/state/vorrak.h"

namespace zelkor::test {

// The main window as the engine sees it: every call recorded by name.
class RecordingGuardHost : public vorrak::GuardHost {
  public:
    std::vector<std::string> calls;
    platform::RecordingCanvas mainCanvas;
    bool passwordAnswer = true;

    void hideToTray() override { calls.push_back("hideToTray"); }
    void restoreFromTray() override { calls.push_back("restoreFromTray"); }
    void repaintControlPanel() override { calls.push_back("repaintControlPanel"); }
    void repaintMainWindow() override { calls.push_back("repaintMainWindow"); }
    platform::Canvas& mainWindowCanvas() override { return mainCanvas; }
    void focusMainWindow() override { calls.push_back("focusMainWindow"); }
    void refreshEventList(bool openIfClosed) override {
        calls.push_back(openIfClosed ? "refreshEventList(open)" : "refreshEventList");
    }
    void startRegionSelection() override { calls.push_back("startRegionSelection"); }
    bool askPassword() override {
        calls.push_back("askPassword");
        return passwordAnswer;
    }
    void openTracingMenu() override { calls.push_back("openTracingMenu"); }
    void closeTracingMenu() override { calls.push_back("closeTracingMenu"); }
    size_t count(const std::string& call) const;
};

// The camera behind a switch: off, it delivers no picture, as an unplugged
// camera or a broken stream.
class SwitchableSource : public vcard::VideoSource {
  public:
    explicit SwitchableSource(std::unique_ptr<vcard::VideoSource> camera)
        : VideoSource(camera->fieldRate()), camera_(std::move(camera)) {}
    void render(uint64_t field, vcard::Picture& out) override { camera_->render(field, out); }
    void renderSampled(uint64_t field, const vcard::Sampling& at, vcard::Picture& out) override {
        camera_->renderSampled(field, at, out);
    }
    bool hasPicture() const override { return on; }

    bool on = true;

  private:
    std::unique_ptr<vcard::VideoSource> camera_;
};

struct SceneOptions {
    std::string scene = "walker";
    uint32_t periodMs = 8000;
    uint32_t seed = 1;
    bool fiftyHertz = false;  // 352 x 288 frames instead of 352 x 240
    bool onSVideo = false;    // the camera on S-Video, nothing on composite
    // Where the settings point WORKINGDIR; empty: a temporary folder.
    std::string workingDir;
};

// Settings written to the store before the engine loads them; the fields
// not set here keep the store's defaults.
struct GuardSettings {
    // Notify and record a clip, without tracing.
    uint32_t processStyle = 3;
    uint32_t stopStyle = 2;
    uint32_t errorAmount = 50;
    uint32_t scanTime = 500;
    uint32_t releaseTime = 120;
    uint32_t sensibility = 90;
    uint32_t playWarningSound = 1;
    uint32_t emailNotify = 0;
    uint32_t phoneCall = 0;
    uint32_t videoCapture = 0;
    uint32_t useSchedule = 1;
    uint32_t delayTime = 5000;
};

class EngineRig {
  public:
    explicit EngineRig(const SceneOptions& scene = SceneOptions(),
                       const GuardSettings& settings = GuardSettings(),
                       platform::Processes* processes = nullptr);
    ~EngineRig();

    // Command 40071, then virtual time runs for `ms`.
    void start();
    void run(uint64_t ms) { timers.advance(ms); }
    std::vector<std::string> historyLines() const;
    std::vector<std::string> boxTexts() const { return ui.texts(); }

    platform::VirtualClock clock;
    platform::FakeTimers timers{clock};
    testing::TempDir dir;
    std::string workingDir;
    platform::MemoryRegistry registry;
    platform::RecordingUi ui;
    platform::RecordingSound sound;
    platform::RecordingProcesses recordedProcesses;
    platform::FakeDisk disk;
    platform::FakePower power;
    testing::FakeInstances instances;
    platform::RecordingShell shell;
    RecordingGuardHost host;
    std::unique_ptr<platform::Profile> profile;

    // The scene's camera, switchable.
    SwitchableSource* camera = nullptr;
    std::unique_ptr<vcard::VirtualCard> card;
    std::unique_ptr<vorrak::DecoderBus> bus;
    vorrak::Vorrak vorrak;
    std::unique_ptr<vorrak::VorrakServices> services;

  private:
    std::unique_ptr<testing::CaptureHostStub> captureHost_;
};

}  // namespace zelkor::test
