#include <gtest/gtest.h>

#include "platform/process.h"

namespace zelkor::platform {
namespace {

using Words = std::vector<std::string>;

// The arguments after the program name "p".
Words args(std::string_view line) {
    auto words = splitCommandLine(std::string("p ") + std::string(line));
    EXPECT_FALSE(words.empty());
    words.erase(words.begin());
    return words;
}

TEST(SplitCommandLine, BlanksTabsAndQuotesSeparateAndGroup) {
    EXPECT_EQ(args(R"("a b" c)"), (Words{"a b", "c"}));
    EXPECT_EQ(args("a\tb  \t c"), (Words{"a", "b", "c"}));
    EXPECT_EQ(args(R"(a"b c"d e)"), (Words{"ab cd", "e"}));
    EXPECT_EQ(args(R"("" x)"), (Words{"", "x"}));
    EXPECT_EQ(args(R"("open end)"), (Words{"open end"}));
    EXPECT_EQ(args("   "), Words{});
}

TEST(SplitCommandLine, BackslashesCountOnlyBeforeAQuote) {
    EXPECT_EQ(args(R"(a\\\"b)"), (Words{R"(a\"b)"}));        // 2n+1: n and a quote
    EXPECT_EQ(args(R"(a\\\\"b c")"), (Words{R"(a\\b c)"}));  // 2n: n, quote toggles
    EXPECT_EQ(args(R"(a\"b)"), (Words{R"(a"b)"}));
    EXPECT_EQ(args(R"(c:\dir\file.bmp)"), (Words{R"(c:\dir\file.bmp)"}));
    EXPECT_EQ(args(R"(a\\ b\)"), (Words{R"(a\\)", R"(b\)"}));  // trailing ones stay
    EXPECT_EQ(args(R"("c:\dir\\" next)"), (Words{R"(c:\dir\)", "next"}));
}

TEST(SplitCommandLine, DoubledQuoteInsideQuotesIsALiteralQuote) {
    EXPECT_EQ(args(R"("a""b")"), (Words{R"(a"b)"}));
    EXPECT_EQ(args(R"("a""b c")"), (Words{R"(a"b c)"}));
    EXPECT_EQ(args(R"(a""b)"), (Words{"ab"}));  // outside quotes: open and close
}

TEST(SplitCommandLine, ProgramNameTakesQuotesButNoEscapes) {
    EXPECT_EQ(splitCommandLine(R"("/opt/my dir/dial" 12)"), (Words{"/opt/my dir/dial", "12"}));
    EXPECT_EQ(splitCommandLine(R"(c:\tools\viewer\ "x y")"), (Words{R"(c:\tools\viewer\)", "x y"}));
    EXPECT_EQ(splitCommandLine("  /bin/VrakSetup "), (Words{"/bin/VrakSetup"}));
    EXPECT_EQ(splitCommandLine(""), Words{});
}

}  // namespace
}  // namespace zelkor::platform
