#pragma once
// The font the suite's fixed layouts are drawn in. They were measured in an
// 8-point "MS Sans Serif", which is seldom installed; a sans serif of
// similar letter shapes takes its place, sized so that its letters are on
// average no wider and its lines no taller than the layout's measure, so
// every text fits the place the layout gives it.

#include <QFont>

namespace zelkor::platform {

// From `startPixels` down, the first pixel size whose letters average at
// most `averageWidth` pixels and whose lines are at most `lineHeight` high.
QFont FittedSansFont(int startPixels, int averageWidth, int lineHeight);

// The pixel size of the 8-point face on this screen.
int EightPointPixels();

}  // namespace zelkor::platform
