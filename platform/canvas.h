#pragma once
// Drawing over the capture picture: filled rectangles, outlines, lines and
// text, as the status line of a recording and the tracing marks need them.
// Colours are 0x00BBGGRR values.

#include <cstdint>
#include <string>
#include <string_view>

namespace zelkor::platform {

struct CanvasRect {
    int left = 0;
    int top = 0;
    int right = 0;  // exclusive
    int bottom = 0;
    bool operator==(const CanvasRect&) const = default;
};

struct CanvasFont {
    std::string face;
    int height = 0;  // pixels
    bool operator==(const CanvasFont&) const = default;
};

// Placement of text in its rectangle.
namespace text_format {
constexpr uint32_t Left = 0x0;
constexpr uint32_t Center = 0x1;
constexpr uint32_t Bottom = 0x8;
constexpr uint32_t WordBreak = 0x10;
constexpr uint32_t SingleLine = 0x20;
}  // namespace text_format

class Canvas {
  public:
    virtual ~Canvas() = default;
    virtual void fillRect(const CanvasRect& r, uint32_t colour) = 0;
    virtual void frameRect(const CanvasRect& r, uint32_t colour) = 0;
    // A solid line `width` pixels wide.
    virtual void drawLine(int x0, int y0, int x1, int y1, uint32_t colour, int width) = 0;
    // Text on a transparent background, clipped to `r`.
    virtual void drawText(std::string_view text, const CanvasRect& r, const CanvasFont& font,
                          uint32_t colour, uint32_t format) = 0;
};

}  // namespace zelkor::platform
