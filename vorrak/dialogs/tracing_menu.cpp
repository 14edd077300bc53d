#include "vorrak/dialogs/tracing_menu.h"

#include <QPushButton>
#include <array>

#include "vorrak/detection/guard_mode.h"

namespace zelkor::vorrak {

namespace {

constexpr std::array<ControlTemplate, 6> kControls{{
    {kStaticControlId, ControlKind::GroupBox, "Action", 7, 4, 104, 78},
    {kTracingSnapshotButton, ControlKind::PushButton, "SnapShot", 16, 17, 40, 14},
    {kTracingCaptureButton, ControlKind::PushButton, "Capture", 62, 17, 40, 14},
    {kTracingMailButton, ControlKind::PushButton, "Send Mail", 16, 37, 40, 14},
    {kTracingPhoneButton, ControlKind::PushButton, "Phone Call", 62, 37, 40, 14},
    {kTracingStopButton, ControlKind::DefaultPushButton, "Stop Tracing", 16, 58, 86, 16},
}};

constexpr DialogTemplate kTemplate{kTracingMenuDialog, "Tracing Menu", 118, 88, kControls};

}  // namespace

const DialogTemplate& TracingMenuTemplate() {
    return kTemplate;
}

TracingMenu::TracingMenu(QWidget* owner, std::function<void(int button)> onButton)
    : dialog_(BuildDialog(kTemplate, owner)) {
    dialog_->setModal(false);
    dialog_->setWindowFlag(Qt::WindowCloseButtonHint, false);
    IgnoreDismissRequests(*dialog_);
    for (const ControlTemplate& c : kTemplate.controls) {
        if (auto* button = qobject_cast<QPushButton*>(DialogItem(*dialog_, c.id))) {
            const int id = c.id;
            QObject::connect(button, &QPushButton::clicked, dialog_.get(),
                             [onButton, id] { onButton(id); });
        }
    }
}

void TracingMenu::open() {
    dialog_->show();
    dialog_->raise();
}

void TracingMenu::close() {
    // Hiding sends no close event, so the blocked close box does not stop it.
    dialog_->hide();
}

bool TracingMenu::isOpen() const {
    return dialog_->isVisible();
}

}  // namespace zelkor::vorrak
