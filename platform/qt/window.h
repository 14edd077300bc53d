#pragma once
// Window handles of Qt widgets. A handle is the widget's address, so a
// handle made from a widget converts back to that widget and a null handle
// to no widget.

#include <QWidget>

#include "platform/window.h"

namespace zelkor::platform {

inline WindowHandle handleOf(QWidget* widget) {
    return reinterpret_cast<WindowHandle>(widget);
}

inline QWidget* widgetOf(WindowHandle window) {
    return reinterpret_cast<QWidget*>(window);
}

}  // namespace zelkor::platform
