#pragma once
// The card's display side: the video port that writes the decoder's fields
// into an overlay surface, the screen (primary surface) with its colour key
// and clipper, and the composition of the overlay into the screen. The
// window system it shows on is given from outside (Qt in the programs, a
// plain rectangle list in tests).

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/clock.h"
#include "platform/display_device.h"
#include "vcard/config.h"
#include "vcard/picture.h"

namespace zelkor::vcard {

using platform::DisplayRect;

class VirtualCard;

// The windows of the program as the display sees them.
class WindowSystem {
  public:
    virtual ~WindowSystem() = default;
    virtual DisplayRect screen() = 0;
    // `window`'s client area on the screen minus the program's other windows
    // over it; empty when it is minimised or hidden. False for no window.
    virtual bool clipList(platform::WindowHandle window, std::vector<DisplayRect>& rects) = 0;
    // Something on the screen changed: a fill, an overlay moved, a new field.
    virtual void screenChanged() = 0;
};

// A colour fill of the screen, as the program painted it.
struct ScreenFill {
    DisplayRect rect;
    uint32_t colour = 0;
};

// The overlay as the screen shows it.
struct OverlayView {
    bool shown = false;
    bool keyed = false;
    uint32_t key = 0;
    DisplayRect source;
    DisplayRect destination;
};

struct DisplayState;

class CardDisplay {
  public:
    CardDisplay(VirtualCard& card, platform::Clock& clock, const DisplayOptions& options);
    ~CardDisplay();
    CardDisplay(const CardDisplay&) = delete;
    CardDisplay& operator=(const CardDisplay&) = delete;

    // A new display device; each one shares this card's screen and port.
    std::unique_ptr<platform::DisplayDevice> open();

    // Null: a screen of 1024 x 768 without windows.
    void setWindowSystem(WindowSystem* windows);

    // The port's work for one field: reads field `index` of the decoder
    // and writes it into the target overlay. False when no port runs.
    bool runPort(uint64_t index);
    // The same for the field that is current on the card's clock, once per
    // field: false when that field was written already or no port runs.
    bool runPortNow();
    // Whether what the port writes is on its way to the screen: the port
    // runs into an overlay that is shown.
    bool portShown() const;
    int fieldRate() const;

    // Composes the screen inside `area` into `argb` (area.width() pixels per
    // row, `stride` pixels apart): the fills in the desktop's colours, and
    // the overlay scaled to its destination where it shows. Pixels nothing
    // was drawn on keep alpha 0. Returns how many overlay pixels were drawn.
    uint64_t compose(const DisplayRect& area, uint32_t* argb, size_t stride);
    // The program repaints `area`: the fills inside it are gone.
    void forgetFills(const DisplayRect& area);

    // Looking inside, for tests.
    OverlayView overlayView() const;
    const std::vector<ScreenFill>& fills() const;
    uint32_t overlayCreations() const;
    // Fields the running port has written since it was made.
    uint64_t portFields() const;

  private:
    std::shared_ptr<DisplayState> state_;
};

// The RGB of a colour in a desktop format (the 8-bit palette is the
// system palette's fixed colours at its ends, grey between).
uint32_t desktopRgb(DesktopFormat format, uint32_t colour);
platform::PixelFormat desktopPixelFormat(DesktopFormat format);

}  // namespace zelkor::vcard
