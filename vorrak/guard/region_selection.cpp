#include "vorrak/guard/region_selection.h"

#include <algorithm>
#include <utility>

#include "vorrak/config/settings_store.h"
#include "vorrak/resources/strings.h"
#include "vorrak/state/vorrak.h"

namespace zelkor::vorrak {

namespace {

constexpr uint32_t kQuestionStyle = platform::mb::ICONQUESTION | platform::mb::TOPMOST;

int clampX(const Vorrak& v, int x) {
    return std::clamp(x, 0, int(v.capture.FrameWidth));
}

int clampY(const Vorrak& v, int y) {
    return std::clamp(y, 0, int(v.capture.FrameHeight));
}

void drawPrompt(Vorrak& v, RegionHost& host) {
    const platform::CanvasRect frame{0, 0, int(v.capture.FrameWidth), int(v.capture.FrameHeight)};
    host.frozenPictureCanvas().drawText(kRegionDragPrompt, frame, {}, kYellow,
                                        platform::text_format::SingleLine);
}

// The user drags again, over the picture without the last frame.
void dragAgain(Vorrak& v, VorrakServices& s, RegionHost& host) {
    s.guardHost.repaintMainWindow();
    drawPrompt(v, host);
    v.regionSelection.regionMode = 1;
    host.showControlPanel(false);
}

}  // namespace

void StartRegionSelection(Vorrak& v, VorrakServices& s, RegionHost& host) {
    host.sendMessage(kDisconnectCaptureMessage);
    const int answer = s.ui.messageBox(kRegionDragQuestion, resources::kTitle,
                                       platform::mb::OKCANCEL | kQuestionStyle);
    if (answer != platform::answer::OK) {
        v.regionSelection.regionMode = 0;
        v.settings.USEREGIONCOMPARE = 0;
        host.showControlPanel(true);
        host.sendMessage(kConnectCaptureMessage);
        return;
    }
    host.showControlPanel(false);
    s.guardHost.repaintMainWindow();
    // Frozen before the window starts painting the frozen picture itself.
    host.freezePicture();
    v.regionSelection.regionMode = 1;
    drawPrompt(v, host);
}

void RegionButtonDown(Vorrak& v, int x, int y) {
    v.capture.region.left = clampX(v, x);
    v.capture.region.top = clampY(v, y);
}

void RegionMouseMove(Vorrak& v, RegionHost& host, int x, int y) {
    v.capture.region.right = clampX(v, x);
    v.capture.region.bottom = clampY(v, y);
    host.invalidateMainWindow(false);
}

void RegionButtonUp(Vorrak& v, VorrakServices& s, RegionHost& host, int x, int y) {
    v.capture.region.right = clampX(v, x);
    v.capture.region.bottom = clampY(v, y);
    host.invalidateMainWindow(true);
    ConfirmRegion(v, s, host);
}

void ConfirmRegion(Vorrak& v, VorrakServices& s, RegionHost& host) {
    DetectRegion& r = v.capture.region;
    if (r.left == r.right || r.top == r.bottom) {
        s.ui.messageBox(kInvalidRegionMessage, resources::kTitle, kVorrakBoxStyle);
        dragAgain(v, s, host);
        return;
    }
    if (r.left > r.right) {
        std::swap(r.left, r.right);
    }
    if (r.top > r.bottom) {
        std::swap(r.top, r.bottom);
    }
    const int answer = s.ui.messageBox(kConfirmRegionQuestion, resources::kTitle,
                                       platform::mb::YESNO | kQuestionStyle);
    // Cleared only once answered: while the question is up the window keeps
    // painting the frame the user is asked about.
    v.regionSelection.regionMode = 0;
    if (answer == platform::answer::YES) {
        v.settings.USEREGIONCOMPARE = 1;
        host.showControlPanel(true);
        host.sendMessage(kConnectCaptureMessage);
    } else {
        dragAgain(v, s, host);
    }
    SaveVideoSettings(s.registry, v.settings);
}

}  // namespace zelkor::vorrak
