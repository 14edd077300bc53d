#pragma once
// A Canvas that draws into a picture with Qt's painter.

#include <QImage>

#include "platform/canvas.h"

namespace zelkor::vcard {

class ImageCanvas : public platform::Canvas {
  public:
    explicit ImageCanvas(QImage& image) : image_(image) {}
    void fillRect(const platform::CanvasRect& r, uint32_t colour) override;
    void frameRect(const platform::CanvasRect& r, uint32_t colour) override;
    void drawLine(int x0, int y0, int x1, int y1, uint32_t colour) override;
    void drawText(std::string_view text, const platform::CanvasRect& r,
                  const platform::CanvasFont& font, uint32_t colour, uint32_t format) override;

  private:
    QImage& image_;
};

}  // namespace zelkor::vcard
