#include "tests/guard_engine/engine_rig.h"

#include <filesystem>
#include <fstream>

#include "tests/support/qt_app.h"
#include "vorrak/capture/capture.h"
#include "vorrak/config/settings_store.h"
#include "vorrak/guard/detection_cycle.h"
#include "vorrak/guard/event_history.h"
#include "vorrak/hardware/detection.h"
#include "vorrak/hardware/picture_controls.h"

namespace zelkor::test {

size_t RecordingGuardHost::count(const std::string& call) const {
    size_t n = 0;
    for (const auto& c : calls) {
        n += c == call ? 1 : 0;
    }
    return n;
}

namespace {

void storeSettings(platform::MemoryRegistry& registry, const std::string& workingDir,
                   const GuardSettings& g) {
    const auto key = vorrak::kProductKey;
    registry.putText(key, "WORKINGDIR", workingDir);
    registry.putNumber(key, "PROCESSSTYLE", g.processStyle);
    registry.putNumber(key, "STOPSTYLE", g.stopStyle);
    registry.putNumber(key, "ERRORAMOUNT", g.errorAmount);
    registry.putNumber(key, "SCANTIME", g.scanTime);
    registry.putNumber(key, "RELEASETIME", g.releaseTime);
    registry.putNumber(key, "SENSIBILITY", g.sensibility);
    registry.putNumber(key, "PLAYWARNINGSOUND", g.playWarningSound);
    registry.putNumber(key, "EMAILNOTIFY", g.emailNotify);
    registry.putText(key, "EMAILADDRESS", "guard@example.org");
    registry.putNumber(key, "PHONECALL", g.phoneCall);
    registry.putNumber(key, "VIDEOCAPTURE", g.videoCapture);
    registry.putNumber(key, "VIDEOFRAMERATE", 10);
    registry.putNumber(key, "VIDEORECORDINGTIME", 1);
    registry.putNumber(key, "USESCHEDULE", g.useSchedule);
    registry.putNumber(key, "DELAYTIME", g.delayTime);
    // No access password: guard mode stops at the Start/Stop command.
    registry.putNumber(vorrak::kMakerKey, "RUNNORMAL", 1);
}

}  // namespace

EngineRig::EngineRig(const SceneOptions& scene, const GuardSettings& settings,
                     platform::Processes* processes)
    : workingDir(scene.workingDir.empty() ? dir.path() : scene.workingDir),
      captureHost_(std::make_unique<testing::CaptureHostStub>()) {
    testing::qtApp();
    profile = platform::openFileProfile(dir.path());
    disk.setFreeBytes("/", uint64_t(100) << 30);
    storeSettings(registry, workingDir, settings);
    if (scene.fiftyHertz) {
        registry.putNumber(vorrak::kProductKey, "VIDEOSTANDARD", 3);
    }

    std::string error;
    vcard::SourceConfig source{"scene:" + scene.scene, scene.fiftyHertz ? 50 : 60, scene.seed,
                               scene.periodMs};
    auto switchable = std::make_unique<SwitchableSource>(vcard::makeSource(source, error));
    camera = switchable.get();
    std::unique_ptr<vcard::VideoSource> composite;
    std::unique_ptr<vcard::VideoSource> svideo;
    (scene.onSVideo ? svideo : composite) = std::move(switchable);
    card = std::make_unique<vcard::VirtualCard>(vcard::VcardConfig{}, clock, std::move(composite),
                                                std::move(svideo));
    bus = std::make_unique<vorrak::DecoderBus>(card->ports(), clock);
    vorrak::DisplayChipInfo info;
    vorrak::DetectDisplayChip(card->pci(), *bus, info);
    vorrak::DecoderInit(*bus);
    if (scene.fiftyHertz) {
        vorrak::SelectStandard(*bus, 3);
    }
    vorrak::DecoderOutputOn(*bus);

    services = std::make_unique<vorrak::VorrakServices>(vorrak::VorrakServices{
        registry, ui, clock, timers, processes != nullptr ? *processes : recordedProcesses, sound,
        host, vorrak::CaptureServices{ui, *profile, disk, *captureHost_, *bus, {}},
        vorrak::SettingsHost{registry, ui, "xdg-open", [](uint32_t) {}, [](int) {}}, power,
        instances, shell});

    vorrak::Vorrak& v = vorrak;
    vorrak::LoadSettings(services->settingsHost, v.settings, v.access, v.options);
    vorrak::InitGuardFiles(workingDir, v.files, v.guard);
    vorrak::OpenHistoryLog(v.history, v.files.historyFile);
    v.ProgramDir = dir.path();

    auto window = std::make_unique<vcard::VirtualCaptureWindow>(
        *card, clock, vcard::CaptureDriverConfig{}, nullptr);
    // A clip's sequence waits in virtual time; the guard timers are stopped
    // while it runs.
    window->setEventPump([this](uint64_t until) { clock.advance(until - clock.monotonicMs()); });
    vorrak::CreateCaptureWindow(v.capture, services->capture, v.settings, std::move(window), 0);
    vorrak::CreateEventFolder(v.capture.eventFolder, workingDir, clock);
    vorrak::ConnectCapture(v.capture, services->capture, v.settings, v.options);
}

EngineRig::~EngineRig() {
    vorrak::StopGuard(vorrak, *services, 1);
}

void EngineRig::start() {
    vorrak::GuardCommand(vorrak, *services);
}

std::vector<std::string> EngineRig::historyLines() const {
    std::vector<std::string> lines;
    std::ifstream in(vorrak.files.historyFile, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace zelkor::test
