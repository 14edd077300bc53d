#include "vorrak/panel/panel.h"

#include "vorrak/capture/capture.h"
#include "vorrak/hardware/picture_controls.h"
#include "vorrak/panel/skin.h"
#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {

namespace {

// The panel hangs this far below the main window.
constexpr int kPanelGap = 5;

}  // namespace

const HitArea* HitAreaAt(int x, int y) {
    for (const HitArea& hit : kHitAreas) {
        if (hit.area.contains(x, y)) {
            return &hit;
        }
    }
    return nullptr;
}

bool PressAt(PanelPress& press, int x, int y, int screenX, int screenY, int width, int height) {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return false;
    }
    const HitArea* hit = HitAreaAt(x, y);
    press.state = hit != nullptr ? hit->button : kDraggingPanel;
    press.lastX = screenX;
    press.lastY = screenY;
    return true;
}

PanelMove MoveTo(PanelPress& press, int x, int y, int screenX, int screenY) {
    PanelMove move;
    if (press.state == kDraggingPanel) {
        move.dx = screenX - press.lastX;
        move.dy = screenY - press.lastY;
        press.lastX = screenX;
        press.lastY = screenY;
    } else if (press.state > 0) {
        const HitArea* hit = HitAreaAt(x, y);
        // Only the pressed button's own area keeps the press: sliding onto a
        // neighbour cancels it just as sliding onto the bare panel does.
        if (hit == nullptr || hit->button != press.state) {
            press.state = kNothingPressed;
            move.repaint = true;
        }
    }
    return move;
}

std::optional<int> Release(PanelPress& press) {
    const int pressed = press.state;
    press.state = kNothingPressed;
    if (pressed > 0) {
        return pressed;
    }
    return std::nullopt;
}

std::string SizeText(uint32_t width, uint32_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

PanelTexts PanelTextsOf(const PanelState& s, const platform::LocalTime& now) {
    PanelTexts t;
    if (s.CaptureState != kCaptureConnected) {
        t.state = "StandBy";
    } else if (s.guardActive) {
        t.state = "Vorrak";
    } else if (s.tracing) {
        t.state = "Traceing";
    } else {
        t.state = "StandBy";
    }
    if (s.CaptureState == kCaptureNotConnected || s.CaptureState == kCaptureConnected) {
        if (s.signalLost) {
            t.standard = kNoSignalText;
        } else if (s.VIDEOSTANDARD < resources::kStandardShortNames.size()) {
            t.standard = resources::kStandardShortNames[s.VIDEOSTANDARD];
        }
        if (s.VIDEOCONNECTOR == connector::SVideo) {
            t.input = "S-Video";
        } else if (s.VIDEOCONNECTOR == connector::Composite) {
            t.input = "Composite";
        }
    }
    // No leading zeros: 2000/5/24 9:48:21.
    t.clock = std::to_string(now.year) + "/" + std::to_string(now.month) + "/" +
              std::to_string(now.day) + " " + std::to_string(now.hour) + ":" +
              std::to_string(now.minute) + ":" + std::to_string(now.second);
    t.size = SizeText(s.FrameWidth, s.FrameHeight);
    return t;
}

int StartStopImage(const PanelState& state, bool pressed) {
    // Pressed, it shows Stop only while guard mode itself runs; tracing has
    // its own Stop in the Tracing Menu.
    if (pressed) {
        return state.guardActive ? skin::StopPressed : skin::StartPressed;
    }
    return state.guardActive || state.tracing ? skin::StopNormal : skin::StartNormal;
}

int SetupImage(bool pressed) {
    return pressed ? skin::SetupPressed : skin::SetupNormal;
}

std::optional<uint32_t> ButtonCommand(int button, bool regionSelection) {
    switch (button) {
        case panel_button::StartStop:
            if (regionSelection) {
                return std::nullopt;
            }
            return command::GuardStartStop;
        case panel_button::Setup:
            return command::Settings;
        case panel_button::Help:
            return command::Help;
        case panel_button::About:
            return command::About;
        default:
            return std::nullopt;
    }
}

PanelPoint PanelPosition(int left, int, int right, int bottom) {
    return {left + ((right - left) - kPanelWidth) / 2, bottom + kPanelGap};
}

PanelPoint SplashPosition(int screenWidth, int screenHeight) {
    return {(screenWidth - kSplashWidth) / 2, (screenHeight - kSplashHeight) / 2};
}

}  // namespace zelkor::vorrak
