#pragma once
// The fonts of Vorrak's windows as Qt draws them.

#include <QFont>

#include "vorrak/config/font.h"

namespace zelkor::vorrak {

// The Qt font for a description, sized in pixels.
QFont ToQFont(const FontDescription& description);

}  // namespace zelkor::vorrak
