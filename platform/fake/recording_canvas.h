#pragma once
// Drawing for tests: every call is recorded in order, nothing is drawn.

#include <string>
#include <vector>

#include "platform/canvas.h"

namespace zelkor::platform {

struct DrawnItem {
    std::string what;  // "fill", "frame", "line", "text"
    CanvasRect rect;
    uint32_t colour = 0;
    std::string text;
    CanvasFont font;
    uint32_t format = 0;
    int width = 0;  // lines only
};

class RecordingCanvas : public Canvas {
  public:
    std::vector<DrawnItem> drawn;
    void fillRect(const CanvasRect& r, uint32_t c) override {
        drawn.push_back({"fill", r, c, {}, {}, 0});
    }
    void frameRect(const CanvasRect& r, uint32_t c) override {
        drawn.push_back({"frame", r, c, {}, {}, 0});
    }
    void drawLine(int x0, int y0, int x1, int y1, uint32_t c, int width) override {
        drawn.push_back({"line", {x0, y0, x1, y1}, c, {}, {}, 0, width});
    }
    void drawText(std::string_view t, const CanvasRect& r, const CanvasFont& f, uint32_t c,
                  uint32_t format) override {
        drawn.push_back({"text", r, c, std::string(t), f, format});
    }
};

}  // namespace zelkor::platform
