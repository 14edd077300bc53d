#pragma once
// Message boxes for a machine nobody watches: each box is written to stderr
// as "title: text" and takes its default answer.

#include <memory>

#include "platform/ui.h"

namespace zelkor::platform {

std::unique_ptr<Ui> makeConsoleUi();

}  // namespace zelkor::platform
