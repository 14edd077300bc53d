#pragma once
// The card's display on Qt windows: the screen is the desktop, a window's
// clip list is its client area minus the program's other windows, and the
// overlay is composed into each window the program keyed, on a layer under
// the window's own children, at the source's field rate.

#include <QObject>
#include <QPointer>

#include <vector>

#include "vcard/display.h"

class QTimer;
class QWidget;

namespace zelkor::vcard {

class QtWindowSystem : public QObject, public WindowSystem {
  public:
    explicit QtWindowSystem(CardDisplay& display);
    ~QtWindowSystem() override;

    DisplayRect screen() override;
    bool clipList(platform::WindowHandle window, std::vector<DisplayRect>& rects) override;
    void screenChanged() override;

    // Overlay pixels composed into windows so far.
    uint64_t composedPixels() const { return composed_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    class Layer;
    Layer* layerOf(QWidget* window);
    // One tick of the field timer.
    void tick();
    // Whether the port's fields can be seen: it writes into a shown overlay
    // and a window the screen is composed into is on the screen.
    bool watched();

    CardDisplay& display_;
    QTimer* fieldTimer_ = nullptr;
    std::vector<QPointer<Layer>> layers_;
    uint64_t composed_ = 0;
    bool painting_ = false;
};

}  // namespace zelkor::vcard
