#pragma once
// The one QApplication of a test program, made on first use, on the
// offscreen platform unless the environment names another.

#include <QApplication>

namespace zelkor::testing {

QApplication& qtApp();

}  // namespace zelkor::testing
