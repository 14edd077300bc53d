#pragma once
// Live video on the virtual card without a window system: a main window
// that is a rectangle on a 1280 x 1024 screen, other windows of the program
// as rectangles over it, virtual time, and recorded message boxes.

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/fake/fake_timers.h"
#include "platform/fake/recording_ui.h"
#include "platform/fake/virtual_clock.h"
#include "tests/support/card_fixture.h"
#include "vcard/card.h"
#include "vorrak/livevideo/livevideo.h"

namespace zelkor::test {

using platform::DisplayRect;

// The screen as the card's display sees it.
class RectWindows : public vcard::WindowSystem {
  public:
    DisplayRect screenRect{0, 0, 1280, 1024};
    DisplayRect client{100, 100, 452, 340};
    bool minimised = false;
    std::vector<DisplayRect> covering;  // other windows of the program
    int changes = 0;

    DisplayRect screen() override { return screenRect; }
    bool clipList(platform::WindowHandle window, std::vector<DisplayRect>& rects) override;
    void screenChanged() override { ++changes; }
};

class RecordingHost : public vorrak::LiveVideoHost {
  public:
    explicit RecordingHost(RectWindows& windows) : windows_(windows) {}
    platform::WindowHandle mainWindow() override {
        return reinterpret_cast<platform::WindowHandle>(this);
    }
    bool clientRectOnScreen(DisplayRect& rect) override {
        rect = windows_.client;
        return !windows_.minimised;
    }
    void hide() override { ++hidden; }
    void invalidate() override { ++invalidated; }
    void quit() override { ++quits; }
    bool showsCapturePreview() override { return capturePreview; }
    void paintCaptureWindow() override { ++capturePaints; }

    int hidden = 0;
    int invalidated = 0;
    int quits = 0;
    bool capturePreview = false;
    int capturePaints = 0;

  private:
    RectWindows& windows_;
};

struct LiveRig {
    explicit LiveRig(const vcard::DisplayOptions& display = {}, int busMethod_ = 20,
                     uint32_t standard = 0, int sourceRate = 60);

    vcard::VcardConfig config;
    platform::VirtualClock clock;
    std::unique_ptr<vcard::VirtualCard> card;
    RectWindows windows;
    RecordingHost host{windows};
    platform::RecordingUi ui;
    platform::FakeTimers timers{clock};
    vorrak::VideoPortParams params;
    int busMethod;
    uint32_t videoStandard;
    // Whether the next display devices can be made.
    bool deviceAvailable = true;
    vorrak::LiveVideoServices services;
    vorrak::LiveVideo live;

    // Open and start as the program does at launch.
    bool launch();
    std::optional<uint32_t> timerPeriod() {
        return timers.period(host.mainWindow(), vorrak::kLiveVideoTimer);
    }
    // The overlay as the screen shows it.
    vcard::OverlayView overlay() const { return card->display().overlayView(); }
};

}  // namespace zelkor::test
