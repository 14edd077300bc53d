#include "vorrak/dialogs/setting_bar.h"

#include <QPushButton>
#include <array>

namespace zelkor::vorrak {

namespace {

using namespace setting_bar;

constexpr std::array<ControlTemplate, 4> kControls{{
    {kStaticControlId, ControlKind::Icon, "", 3, 3, 18, 17},
    {kSetupWizard, ControlKind::PushButton, "Setup Wizard", 22, 3, 53, 17},
    {kSetRegion, ControlKind::PushButton, "Set Region", 75, 3, 53, 17},
    {kVideoSource, ControlKind::PushButton, "Video Source", 128, 3, 53, 17},
}};

constexpr DialogTemplate kTemplate{kSettingBarDialog, "Zelkor Oculara Setting", 187, 24, kControls};

}  // namespace

const DialogTemplate& SettingBarTemplate() {
    return kTemplate;
}

SettingBar::SettingBar(QWidget* owner, SettingBarActions actions)
    : actions_(std::move(actions)), dialog_(BuildDialog(kTemplate, owner)) {
    QDialog& d = *dialog_;
    IgnoreInput(d, {Qt::Key_Escape}, false);
    for (const int id : {kSetupWizard, kSetRegion}) {
        QObject::connect(qobject_cast<QPushButton*>(DialogItem(d, id)), &QPushButton::clicked, &d,
                         [&d, id] { d.done(id); });
    }
    QObject::connect(qobject_cast<QPushButton*>(DialogItem(d, kVideoSource)), &QPushButton::clicked,
                     &d, [this] {
                         actions_.videoSource(*dialog_);
                         dialog_->activateWindow();
                     });
}

void SettingBar::exec() {
    switch (dialog_->exec()) {
        case kSetupWizard:
            actions_.setupWizard();
            break;
        case kSetRegion:
            actions_.setRegion();
            break;
        default:
            break;
    }
}

}  // namespace zelkor::vorrak
