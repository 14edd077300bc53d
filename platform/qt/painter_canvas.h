#pragma once
// A Canvas that draws with Qt's painter on a picture, or on a widget while
// it paints. Each call paints on its own.

#include <QPaintDevice>

#include "platform/canvas.h"

namespace zelkor::platform {

class PainterCanvas : public Canvas {
  public:
    // Lines are `lineWidth` pixels wide; rectangle frames are one pixel.
    explicit PainterCanvas(QPaintDevice& device, int lineWidth = 1)
        : device_(device), lineWidth_(lineWidth) {}
    void fillRect(const CanvasRect& r, uint32_t colour) override;
    void frameRect(const CanvasRect& r, uint32_t colour) override;
    void drawLine(int x0, int y0, int x1, int y1, uint32_t colour) override;
    // A font without a face or height keeps the device's own for it.
    void drawText(std::string_view text, const CanvasRect& r, const CanvasFont& font,
                  uint32_t colour, uint32_t format) override;

  private:
    QPaintDevice& device_;
    int lineWidth_;
};

}  // namespace zelkor::platform
