#include <gtest/gtest.h>

#include "vorrak/config/font.h"

namespace zelkor::vorrak {
namespace {

TEST(MakeFont, PixelHeightPlainStyleAndCharsetByLocale) {
    EXPECT_EQ(MakeFont("Arial", 12, false).charset, 0);
    const auto japanese = MakeFont("Sans", 15, true);
    EXPECT_EQ(japanese.height, -15);
    EXPECT_EQ(japanese.charset, 128);
}

}  // namespace
}  // namespace zelkor::vorrak
