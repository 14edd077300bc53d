#pragma once
// A Canvas that draws with Qt's painter on a picture, or on a widget while
// it paints. Each call paints on its own.

#include <QPaintDevice>

#include "platform/canvas.h"

namespace zelkor::platform {

class PainterCanvas : public Canvas {
  public:
    // Rectangle frames are one pixel wide.
    explicit PainterCanvas(QPaintDevice& device) : device_(device) {}
    void fillRect(const CanvasRect& r, uint32_t colour) override;
    void frameRect(const CanvasRect& r, uint32_t colour) override;
    void drawLine(int x0, int y0, int x1, int y1, uint32_t colour, int width) override;
    // A font without a face or height keeps the device's own for it.
    void drawText(std::string_view text, const CanvasRect& r, const CanvasFont& font,
                  uint32_t colour, uint32_t format) override;

  private:
    QPaintDevice& device_;
};

}  // namespace zelkor::platform
