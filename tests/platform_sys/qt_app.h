#pragma once
// The one QApplication of the test program, made on first use on the
// offscreen platform.

#include <QApplication>

namespace zelkor::platform::test {

QApplication& qtApp();

}  // namespace zelkor::platform::test
