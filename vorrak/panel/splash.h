#pragma once
// The splash window as start-up sees it: shown while the hardware is being
// prepared, hidden once the signal search is done.

namespace zelkor::vorrak {

class SplashScreen {
  public:
    virtual ~SplashScreen() = default;
    virtual void show() = 0;
    virtual void hide() = 0;
};

}  // namespace zelkor::vorrak
