#include <gtest/gtest.h>

#include <QFont>

#include "vorrak/config/font.h"

namespace zelkor::vorrak {
namespace {

TEST(MakeFont, CharacterHeightInPixelsAndCharsetByLocale) {
    const auto ansi = MakeFont("Arial", 12, false);
    EXPECT_EQ(ansi.face, "Arial");
    EXPECT_EQ(ansi.height, -12);
    EXPECT_EQ(ansi.weight, 0);
    EXPECT_FALSE(ansi.italic || ansi.underline || ansi.strikeOut);
    EXPECT_EQ(ansi.charset, 0);
    EXPECT_EQ(MakeFont("Arial", 12, true).charset, 128);
}

TEST(MakeFont, QtFontHasThePixelSizeAndPlainStyle) {
    const QFont font = ToQFont(MakeFont("Sans", 15, true));
    EXPECT_EQ(font.family(), "Sans");
    EXPECT_EQ(font.pixelSize(), 15);
    EXPECT_EQ(font.weight(), QFont::Normal);
    EXPECT_FALSE(font.italic());
    EXPECT_FALSE(font.underline());
    EXPECT_FALSE(font.strikeOut());
}

}  // namespace
}  // namespace zelkor::vorrak
