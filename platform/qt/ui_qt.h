#pragma once
// Message boxes as Qt modal dialogs. A QApplication must exist.

#include <QMessageBox>
#include <memory>

#include "platform/ui.h"

namespace zelkor::platform {

// The box for `style`, set up but not shown: icon, buttons, default button
// and stay-on-top as the style asks.
std::unique_ptr<QMessageBox> buildMessageBox(std::string_view text, std::string_view title,
                                             uint32_t style);
// The answer number for the button a box ended with; the default answer when
// it was closed without one.
int answerFor(QMessageBox::StandardButton button, uint32_t style);

std::unique_ptr<Ui> makeQtUi();

}  // namespace zelkor::platform
