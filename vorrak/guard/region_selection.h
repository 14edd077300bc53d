#pragma once
// Region selection: the user drags the rectangle guard mode watches with the
// left mouse button over a frozen copy of the live picture in the main
// window. It runs with the capture driver disconnected and ends by
// reconnecting it; the region itself lives only in memory, what is stored is
// whether region comparison is on.

#include <cstdint>
#include <string_view>

#include "platform/canvas.h"

namespace zelkor::vorrak {

struct Vorrak;
struct VorrakServices;

constexpr std::string_view kRegionDragQuestion =
    "Please use mouse left button to drag   \na region for Oculara detecting.\nPlease press OK "
    "to begin to drag or \npress Cancel to skip....";
constexpr std::string_view kRegionDragPrompt = "Please use mouse to drag a region...";
constexpr std::string_view kInvalidRegionMessage =
    "The detect region you select is not valid,\nPlease re-select it ....";
constexpr std::string_view kConfirmRegionQuestion =
    "\nPress Yes to confirm, press No to re-select.";

// What selection needs of the main window besides GuardHost's repaint.
class RegionHost {
  public:
    virtual ~RegionHost() = default;
    // Messages 40020 and 40021: done when the call returns.
    virtual void sendMessage(uint32_t message) = 0;
    virtual void showControlPanel(bool shown) = 0;
    // Keeps what the main window shows now, FrameWidth x FrameHeight on
    // black, as the frozen picture it paints while the user drags.
    virtual void freezePicture() = 0;
    // Drawing on the frozen picture.
    virtual platform::Canvas& frozenPictureCanvas() = 0;
    // A paint later; `erase` clears what was drawn over the picture first.
    virtual void invalidateMainWindow(bool erase) = 0;
};

void StartRegionSelection(Vorrak& v, VorrakServices& s, RegionHost& host);

// The left button in region mode, at a point of the main window's client
// area. A point beyond the frame counts as its nearest edge: the window
// goes on reporting the mouse past its edges while the button is held, and
// a region reaching outside the picture would watch blocks that are not
// there.
void RegionButtonDown(Vorrak& v, int x, int y);
void RegionMouseMove(Vorrak& v, RegionHost& host, int x, int y);
// The release ends the drag and asks whether the region stands.
void RegionButtonUp(Vorrak& v, VorrakServices& s, RegionHost& host, int x, int y);

void ConfirmRegion(Vorrak& v, VorrakServices& s, RegionHost& host);

}  // namespace zelkor::vorrak
