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
    for (const char* bad :
         {"", "[", "[1]", "[1] ", "[1] [a] [b]", "[1] [a]b] [c] []", "[1]  [a] [b] []",
          " [1] [a] [b] []", "[1] [a] [b] [c", "[1][a] [b] []", "1] [a] [b] [c]"}) {
        EXPECT_FALSE(ParseHistoryLine(bad)) << '"' << bad << '"';
    }
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
