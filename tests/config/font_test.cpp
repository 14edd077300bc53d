#include <gtest/gtest.h>

#include <QFont>

#include "vorrak/config/font.h"

namespace zelkor::vorrak {
namespace {

TEST(MakeFont, PixelHeightPlainStyleAndCharsetByLocale) {
    EXPECT_EQ(MakeFont("Arial", 12, false).charset, 0);
    const auto japanese = MakeFont("Sans", 15, true);
    EXPECT_EQ(japanese.height, -15);
    EXPECT_EQ(japanese.charset, 128);

    const QFont font = ToQFont(japanese);
    EXPECT_EQ(font.family(), "Sans");
    EXPECT_EQ(font.pixelSize(), 15);
    EXPECT_EQ(font.weight(), QFont::Normal);
    EXPECT_FALSE(font.italic() || font.underline() || font.strikeOut());
}

}  // namespace
}  // namespace zelkor::vorrak
