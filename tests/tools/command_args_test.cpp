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
    for (const std::string_view bad : {"", "+1", "-1", " 1", "1 ", "\t1", "0x10", "4000x", "1e3",
                                       "4294967296", std::string_view("1\0", 2)}) {
        EXPECT_EQ(ParseCommandId(bad), std::nullopt) << "\"" << bad << "\"";
    }
}

}  // namespace
}  // namespace zelkor::tools
