#pragma once
// The capture code's surroundings: a minimal main window, message boxes,
// profile files in a folder of their own, disk sizes, and a canvas that
// records what was drawn.

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "platform/fake/fake_disk.h"
#include "platform/fake/recording_canvas.h"
#include "platform/fake/recording_ui.h"
#include "platform/profile.h"
#include "platform/qt/window.h"
#include "tests/capture/capture_rig.h"
#include "vorrak/capture/capture.h"
#include "vorrak/detection/guard_state.h"

namespace zelkor::test {

class HostWindow : public vorrak::CaptureHost {
  public:
    QWidget window;
    std::vector<std::pair<uint32_t, uint32_t>> resizes;
    std::vector<vorrak::FrameStyle> styles;
    std::vector<uint32_t> posted;
    bool destroyed = false;
    int overlayStarts = 0;
    int overlayStops = 0;

    platform::WindowHandle parentWindow() override { return platform::handleOf(&window); }
    void setFrameStyle(vorrak::FrameStyle style) override { styles.push_back(style); }
    void resizeClient(uint32_t w, uint32_t h) override {
        resizes.emplace_back(w, h);
        window.resize(int(w), int(h));
    }
    void postMessage(uint32_t message) override { posted.push_back(message); }
    void destroy() override { destroyed = true; }
    void startLiveOverlay() override { ++overlayStarts; }
    void stopLiveOverlay() override { ++overlayStops; }
};

using platform::RecordingCanvas;

// Everything Vorrak's capture code runs against, around a CaptureRig.
struct VorrakRig {
    vcard::CaptureDriverConfig driverConfig;
    CaptureRig rig;
    TempDir dir;
    HostWindow host;
    platform::RecordingUi ui;
    platform::FakeDisk disk;
    std::unique_ptr<platform::Profile> profile;
    std::vector<std::string> shown;
    vorrak::CaptureServices services;
    vorrak::Settings settings;
    vorrak::RunOptions options;
    vorrak::Capture capture;
    vorrak::GuardState guard;
    vorrak::GuardFiles files;

    explicit VorrakRig(vcard::CaptureDriverConfig config = {}, uint32_t videoStandard = 0);
    // Creates the capture window with the card's driver as the one found.
    void create();
    void connect() { vorrak::ConnectCapture(capture, services, settings, options); }
    vcard::VirtualCaptureWindow& window() {
        return static_cast<vcard::VirtualCaptureWindow&>(*capture.window);
    }
    std::vector<std::string> boxTexts() const { return ui.texts(); }
};

}  // namespace zelkor::test
