#pragma once
// The control panel without its window: where its buttons are, what a
// press, a move and a release of the mouse do, which command each button
// sends, and the texts of its state display. The Qt window draws and
// forwards the mouse; everything it decides is here.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "vorrak/resources/commands.h"

namespace zelkor::vorrak {

constexpr int kPanelDialog = 128;

// The buttons, by the ids the panel sends itself.
namespace panel_button {
constexpr int StartStop = 1168;
constexpr int Setup = 1157;
constexpr int Help = 105;
constexpr int Exit = 1153;
constexpr int Minimise = 1154;
constexpr int About = 1155;
}  // namespace panel_button

// Press states besides a button id.
constexpr int kNothingPressed = -1;
constexpr int kDraggingPanel = 0;

// Left and top inside, right and bottom outside, as window regions count.
struct PanelRect {
    int left;
    int top;
    int right;
    int bottom;
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

struct HitArea {
    int button;
    PanelRect area;
    std::string_view tip;
};

// In the order a click is tested.
constexpr std::array<HitArea, 6> kHitAreas{{
    {panel_button::StartStop, {41, 116, 110, 134}, "Start/Stop Oculara"},
    {panel_button::Setup, {120, 116, 189, 134}, "Setting for Oculara"},
    {panel_button::Help, {6, 32, 16, 45}, "About"},
    {panel_button::Exit, {22, 32, 32, 45}, "Exit"},
    {panel_button::Minimise, {38, 32, 48, 45}, "Minimize"},
    {panel_button::About, {10, 6, 41, 13}, "About"},
}};

// The window's outline: the two bottom corners are notched.
constexpr std::array<std::array<int, 2>, 8> kPanelShape{
    {{0, 0}, {0, 143}, {6, 143}, {6, 146}, {354, 146}, {354, 143}, {359, 143}, {359, 0}}};

// Where the state display's texts go.
constexpr PanelRect kStateTextRect{25, 75, 100, 86};
constexpr PanelRect kStandardRect{101, 75, 160, 86};
constexpr PanelRect kInputRect{141, 75, 210, 86};
constexpr PanelRect kClockRect{25, 89, 160, 100};
constexpr PanelRect kSizeRect{161, 89, 210, 100};
constexpr int kLargeTextPixels = 10;  // the state text
constexpr int kSmallTextPixels = 9;   // everything else
constexpr std::string_view kPanelFontFace = "Times New Roman";

// The first hit area holding the point, or null when it is on none.
const HitArea* HitAreaAt(int x, int y);

// What the mouse does to the press state.
struct PanelPress {
    int state = kNothingPressed;
    int lastX = 0;  // the last mouse position on the screen, for dragging
    int lastY = 0;
};

// A press at (x, y) in a panel of `width` × `height`, at (screenX, screenY)
// on the screen. The press state becomes the button under it, or dragging
// when it is on none; outside the panel nothing changes. True when the
// press was taken (the mouse is then held by the panel).
bool PressAt(PanelPress& press, int x, int y, int screenX, int screenY, int width, int height);

struct PanelMove {
    bool repaint = false;  // a press slid off its button and is cancelled
    int dx = 0;            // how far to move the panel while dragging
    int dy = 0;
};
PanelMove MoveTo(PanelPress& press, int x, int y, int screenX, int screenY);

// The button whose action a release triggers, if any; nothing is pressed
// afterwards.
std::optional<int> Release(PanelPress& press);

// What the panel shows, read from the program's state at each repaint.
struct PanelState {
    uint32_t CaptureState = 1;
    bool guardActive = false;
    bool tracing = false;
    uint32_t VIDEOSTANDARD = 0;
    uint32_t VIDEOCONNECTOR = 0;
    uint32_t FrameWidth = 0;
    uint32_t FrameHeight = 0;
    bool signalLost = false;
};

// Shown in place of the standard while the decoder has no signal.
constexpr std::string_view kNoSignalText = "NO SIGNAL";

struct PanelTexts {
    std::string state;
    std::string standard;
    std::string input;
    std::string clock;
    std::string size;
};
PanelTexts PanelTextsOf(const PanelState& state, const platform::LocalTime& now);

// "500 x 400": the frame size, and the main window's size read-out.
std::string SizeText(uint32_t width, uint32_t height);

// The bitmaps of the left button (start or stop) and of the setup button,
// each with a press on it or not.
int StartStopImage(const PanelState& state, bool pressed);
int SetupImage(bool pressed);

// The main window's command a button sends, or nothing: start/stop is
// ignored while a region is being selected; exit and minimise are done by
// the panel's host itself.
std::optional<uint32_t> ButtonCommand(int button, bool regionSelection);

// The panel centred under a main window of (left, top)-(right, bottom),
// five pixels below it.
struct PanelPoint {
    int x;
    int y;
};
PanelPoint PanelPosition(int left, int top, int right, int bottom);

// The splash window's place: its picture centred on a screen of that size.
PanelPoint SplashPosition(int screenWidth, int screenHeight);

}  // namespace zelkor::vorrak
