#pragma once
// The splash window: the splash picture in a thin raised frame, centred on
// the screen and above every other window.

#include <QPixmap>
#include <QWidget>

#include "vorrak/panel/splash.h"

namespace zelkor::vorrak {

constexpr std::string_view kSplashClass = "LOGOCLASS";
// The dialog frame around the picture, on every side.
constexpr int kSplashFrame = 3;

class SplashWindow : public QWidget, public SplashScreen {
  public:
    SplashWindow();

    // Shown and painted at once: the event loop does not run yet while
    // start-up prepares the hardware.
    void show() override;
    void hide() override { QWidget::hide(); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPixmap picture_;
};

}  // namespace zelkor::vorrak
