// sendcommand's command id: plain decimal digits within 32 bits, nothing
// the number reader would otherwise skip or take as a sign.
#include <gtest/gtest.h>

#include <string_view>

#include "tools/sendcommand/command_args.h"

namespace zelkor::tools {
namespace {

TEST(ParseCommandId, TakesDecimalIdsUpToThirtyTwoBits) {
    EXPECT_EQ(ParseCommandId("40004"), 40004u);
    EXPECT_EQ(ParseCommandId("0"), 0u);
    EXPECT_EQ(ParseCommandId("007"), 7u);
    EXPECT_EQ(ParseCommandId("4294967295"), 4294967295u);
}

TEST(ParseCommandId, RefusesSignsSpacesAndAnythingButDigits) {
    using std::string_view_literals::operator""sv;
    for (const std::string_view bad : {""sv, "+1"sv, "-1"sv, " 1"sv, "1 "sv, "\t1"sv, "0x10"sv,
                                       "4000x"sv, "1e3"sv, "4294967296"sv, "1\0"sv}) {
        EXPECT_EQ(ParseCommandId(bad), std::nullopt) << "\"" << bad << "\"";
    }
}

}  // namespace
}  // namespace zelkor::tools
