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

// Every reading offered, in order, while `accept` declines them.
std::vector<Words> readings(std::string_view line, const std::string& accept = "") {
    std::vector<Words> offered;
    const bool taken = tryCommandLineReadings(line, [&](const Words& words) {
        offered.push_back(words);
        return words[0] == accept;
    });
    EXPECT_EQ(taken, !accept.empty() && !offered.empty() && offered.back()[0] == accept);
    return offered;
}

TEST(CommandLineReadings, UnquotedProgramTriesEachBlankSeparatedPrefixShortestFirst) {
    EXPECT_EQ(readings(R"(/opt/My Viewer/view "c:\ev\a b.bmp" x)"),
              (std::vector<Words>{{"/opt/My", "Viewer/view", R"(c:\ev\a b.bmp)", "x"},
                                  {"/opt/My Viewer/view", R"(c:\ev\a b.bmp)", "x"}}));
    // Without quotes the whole line is the last program tried; blanks
    // inside a prefix stay as they are.
    EXPECT_EQ(readings("  a  b\tc "),
              (std::vector<Words>{{"a", "b", "c"}, {"a  b", "c"}, {"a  b\tc"}}));
    // The first reading is splitCommandLine's.
    EXPECT_EQ(readings("/usr/bin/dial 12")[0], splitCommandLine("/usr/bin/dial 12"));
}

TEST(CommandLineReadings, TheFirstProgramThatStartsEndsTheSearch) {
    EXPECT_EQ(readings("/opt/My Viewer/view pic", "/opt/My Viewer/view").size(), 2u);
    EXPECT_EQ(readings("/bin/run with/blank x", "/bin/run").size(), 1u);
}

TEST(CommandLineReadings, QuotesEndTheSearch) {
    // A quoted program name is the program.
    EXPECT_EQ(readings(R"("/opt/My Viewer/view" pic)"),
              (std::vector<Words>{{"/opt/My Viewer/view", "pic"}}));
    EXPECT_EQ(readings(R"(/opt/a"b c" d)"), (std::vector<Words>{{"/opt/ab c", "d"}}));
    // No program name holds a quote: the prefixes end before one.
    EXPECT_EQ(readings(R"(/opt/a b c"d e")"),
              (std::vector<Words>{{"/opt/a", "b", "cd e"}, {"/opt/a b", "cd e"}}));
    EXPECT_TRUE(readings("").empty());
    EXPECT_TRUE(readings(" \t ").empty());
}

}  // namespace
}  // namespace zelkor::platform
