#include <gtest/gtest.h>

#include "vorrak/config/qt_font.h"

namespace zelkor::vorrak {
namespace {

TEST(ToQFont, PixelHeightAndPlainStyle) {
    const QFont font = ToQFont(MakeFont("Sans", 15, true));
    EXPECT_EQ(font.family(), "Sans");
    EXPECT_EQ(font.pixelSize(), 15);
    EXPECT_EQ(font.weight(), QFont::Normal);
    EXPECT_FALSE(font.italic() || font.underline() || font.strikeOut());
}

}  // namespace
}  // namespace zelkor::vorrak
