// Decimal numbers from command lines (sendcommand's ids, the companions'
// event numbers and time-outs, VrakSetup's NAME=VALUE): a value let through
// with a sign, a blank or wrapped to 32 bits would be used or stored changed.
#include <gtest/gtest.h>

#include <string_view>

#include "platform/text.h"

namespace zelkor::platform {
namespace {

using std::string_view_literals::operator""sv;

TEST(ParseDecimal, TakesWholeUnsigned32BitNumbers) {
    EXPECT_EQ(parseDecimal("40004"), 40004u);
    EXPECT_EQ(parseDecimal("0"), 0u);
    EXPECT_EQ(parseDecimal("007"), 7u);
    EXPECT_EQ(parseDecimal("4294967295"), 4294967295u);
}

TEST(ParseDecimal, RefusesSignsBlanksAndAnythingButDigits) {
    for (const std::string_view bad :
         {""sv, "+1"sv, "+5"sv, "-1"sv, "-0"sv, " 1"sv, "1 "sv, "\t1"sv, "0x10"sv, "4000x"sv,
          "1e3"sv, "4294967296"sv, "1\0"sv}) {
        EXPECT_EQ(parseDecimal(bad), std::nullopt) << "\"" << bad << "\"";
    }
}

}  // namespace
}  // namespace zelkor::platform
