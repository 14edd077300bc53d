#include <gtest/gtest.h>

#include "histran/history_line.h"

namespace zelkor::histran {
namespace {

TEST(BracketFieldTest, TakesTheTextBetweenTheFirstBrackets) {
    EXPECT_EQ(BracketField("[abc] [d]"), "abc");
    EXPECT_EQ(BracketField("x [ a ]"), " a ");
    EXPECT_EQ(BracketField("[ ]"), " ");
    EXPECT_EQ(BracketField("[]"), "");
    EXPECT_EQ(BracketField("] [a]"), "");  // the first ']' stands before the '['
    EXPECT_EQ(BracketField("[abc"), "");
    EXPECT_EQ(BracketField("abc"), "");
    EXPECT_EQ(BracketField(""), "");
    EXPECT_EQ(BracketField("[a]b]"), "a");
}

TEST(ParseHistoryLineTest, ReadsEventAndEndOfWorkLines) {
    auto line = ParseHistoryLine(
        "[12] [2000/1/5 Detect Time:9:3:7 Release Time:9:4:0 ] [/w/2000.1.5_9.3.7/error12.bmp] "
        "[/w/2000.1.5_9.3.7/error12.avi]");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->number, "12");
    EXPECT_EQ(line->description, "2000/1/5 Detect Time:9:3:7 Release Time:9:4:0 ");
    EXPECT_EQ(line->bitmap, "/w/2000.1.5_9.3.7/error12.bmp");
    EXPECT_EQ(line->video, "/w/2000.1.5_9.3.7/error12.avi");

    line = ParseHistoryLine("[3] [ . End of this work at 2000/1/5 10:0:0] [] []");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->description, " . End of this work at 2000/1/5 10:0:0");
    EXPECT_TRUE(line->bitmap.empty());
    EXPECT_TRUE(line->video.empty());
}

TEST(ParseHistoryLineTest, RefusesLinesWithoutTheStructureInsteadOfCuttingWrongly) {
    for (const char* bad : {"", "[", "[1]", "[1] ", "[1] [a] [b]", "[1] [a]b] [c] []",
                            "[1] [a] [b] [c", "[1][a] [b] []", "1] [a] [b] [c]"}) {
        EXPECT_FALSE(ParseHistoryLine(bad)) << '"' << bad << '"';
    }
}

TEST(ParseHistoryLineTest, PassesOverBlanksAroundFieldsAndAByteOrderMark) {
    for (const char* text : {"[1]  [a b ] [c] []", " [1] [a b ] [c] []", "\t[1]\t[a b ]  [c] [] \t",
                             "\xEF\xBB\xBF[1] [a b ] [c] []", "\xEF\xBB\xBF  [1] [a b ] [c] []"}) {
        const auto line = ParseHistoryLine(text);
        ASSERT_TRUE(line) << '"' << text << '"';
        EXPECT_EQ(line->number, "1");
        EXPECT_EQ(line->description, "a b ");
        EXPECT_EQ(line->bitmap, "c");
        EXPECT_EQ(line->video, "");
    }
}

TEST(ParseHistoryLineTest, RefusesWhatCouldBeReadInMoreThanOneWay) {
    using namespace std::string_literals;
    for (const std::string& bad : {"[1] [a] [b] [c] [d]"s,   // a "] [" in the description
                                   "[1] [x] y] [b] []"s,     // a "]" followed by a blank
                                   "[1] [a] [b] [c] junk"s,  // text after the last field
                                   "[1] [a\0b] [c] []"s,     // a NUL: not a text line
                                   "\xFF\xFE[\0"
                                   "1\0]\0 \0"s,  // UTF-16
                                   "\xEF\xBB\xBF\xEF\xBB\xBF[1] [a] [b] []"s}) {
        EXPECT_FALSE(ParseHistoryLine(bad)) << '"' << bad << '"';
    }
}

TEST(IsBlankHistoryLineTest, OnlyBlanksAndAByteOrderMark) {
    EXPECT_TRUE(IsBlankHistoryLine(""));
    EXPECT_TRUE(IsBlankHistoryLine(" \t "));
    EXPECT_TRUE(IsBlankHistoryLine("\xEF\xBB\xBF "));
    EXPECT_FALSE(IsBlankHistoryLine(" x"));
    EXPECT_FALSE(IsBlankHistoryLine(std::string(1, '\0')));
}

TEST(ParseHistoryLineTest, HasNoLengthLimit) {
    const std::string desc(70000, 'd');
    const std::string text = "[1] [" + desc + "] [b] []";
    const auto line = ParseHistoryLine(text);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->description.size(), desc.size());
    EXPECT_EQ(line->bitmap, "b");
}

}  // namespace
}  // namespace zelkor::histran
