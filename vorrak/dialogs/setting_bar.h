#pragma once
// The setting bar: a small modal strip of three buttons that leads to the
// setup wizard, the choice of the detection region and the Video Source
// Setting dialog. The first two end the bar before they start, so their
// action runs with the bar gone; Video Source keeps the bar open behind it.
// Escape does not close the bar, the close box does.

#include <functional>
#include <memory>

#include "vorrak/dialogs/dialog_template.h"

namespace zelkor::vorrak {

constexpr int kSettingBarDialog = 184;

namespace setting_bar {
constexpr int kSetupWizard = 1264;
constexpr int kSetRegion = 1265;
constexpr int kVideoSource = 1266;
}  // namespace setting_bar

struct SettingBarActions {
    std::function<void()> setupWizard;
    std::function<void()> setRegion;
    // Runs the Video Source Setting dialog over the bar.
    std::function<void(QWidget& bar)> videoSource;
};

const DialogTemplate& SettingBarTemplate();

class SettingBar {
  public:
    SettingBar(QWidget* owner, SettingBarActions actions);

    // Runs the bar until it ends, then the action of the button that ended
    // it, if any.
    void exec();
    QDialog& dialog() { return *dialog_; }

  private:
    SettingBarActions actions_;
    std::unique_ptr<QDialog> dialog_;
};

}  // namespace zelkor::vorrak
