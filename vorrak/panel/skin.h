#pragma once
// The control panel's skin, the splash picture and the program icon: 8-bit
// bitmap files with one shared 256-colour table, made at build time by
// make_panel_skin and compiled into the program, as resources would be.

#include <array>
#include <cstdint>
#include <span>

namespace zelkor::vorrak {

namespace skin {
constexpr int PanelBackground = 193;
constexpr int PanelTitleButtonsPressed = 203;
constexpr int StartNormal = 199;
constexpr int StartPressed = 198;
constexpr int StopNormal = 202;
constexpr int StopPressed = 201;
constexpr int SetupNormal = 196;
constexpr int SetupPressed = 195;
constexpr int Splash = 190;
constexpr int Icon = 191;
}  // namespace skin

struct SkinBitmapSize {
    int id;
    int width;
    int height;
};

constexpr int kPanelWidth = 360;
constexpr int kPanelHeight = 147;
constexpr int kButtonWidth = 69;
constexpr int kButtonHeight = 18;
constexpr int kSplashWidth = 480;
constexpr int kSplashHeight = 360;
constexpr int kIconSize = 32;

constexpr std::array<SkinBitmapSize, 10> kSkinBitmaps{{
    {skin::PanelBackground, kPanelWidth, kPanelHeight},
    {skin::PanelTitleButtonsPressed, kPanelWidth, kPanelHeight},
    {skin::StartNormal, kButtonWidth, kButtonHeight},
    {skin::StartPressed, kButtonWidth, kButtonHeight},
    {skin::StopNormal, kButtonWidth, kButtonHeight},
    {skin::StopPressed, kButtonWidth, kButtonHeight},
    {skin::SetupNormal, kButtonWidth, kButtonHeight},
    {skin::SetupPressed, kButtonWidth, kButtonHeight},
    {skin::Splash, kSplashWidth, kSplashHeight},
    {skin::Icon, kIconSize, kIconSize},
}};

// The whole bitmap file of resource `id`; empty for an id that is none of
// the above.
std::span<const uint8_t> SkinBitmap(int id);

}  // namespace zelkor::vorrak
