#include <gtest/gtest.h>

#include <random>
#include <string>

#include "vorrak/config/password.h"

namespace zelkor::vorrak {
namespace {

TEST(UnscramblePassword, TakesOddBytesShiftedByTheLength) {
    EXPECT_EQ(UnscramblePassword(""), "");
    EXPECT_EQ(UnscramblePassword("Z"), "");
    // n = 8: +8, -8, +8, -8 on 'A', 'B', 'C', 'D'.
    EXPECT_EQ(UnscramblePassword("xAyBzCwD"), "I:K<");
    // An odd length ignores its last byte but shifts by it: n = 3.
    EXPECT_EQ(UnscramblePassword("qAq"), "D");
    // Bytes wrap both ways: 0x7F + 4 = 0x83, 0xFE (-2) - 4 = 0xFA.
    EXPECT_EQ(UnscramblePassword(std::string("\x01\x7F\x01\xFE", 4)), std::string("\x83\xFA", 2));
}

// The scrambled text must survive being stored as a zero-terminated text.
void expectRoundTrip(const std::string& password) {
    SCOPED_TRACE("password \"" + password + "\"");
    const auto stored = ScramblePassword(password);
    ASSERT_TRUE(stored.has_value());
    EXPECT_LT(stored->size(), kRunStringSize);
    EXPECT_EQ(stored->find('\0'), std::string::npos);
    EXPECT_EQ(UnscramblePassword(*stored), password);
}

TEST(ScramblePassword, RoundTripsEveryLengthAndCharacter) {
    for (size_t length = 0; length <= kMaxPasswordLength; ++length) {
        for (int c = 32; c < 127; ++c) {
            expectRoundTrip(std::string(length, char(c)));
        }
    }
    EXPECT_EQ(ScramblePassword("x")->size(), 2u);
}

TEST(ScramblePassword, RandomPasswordsRoundTripOrAreRefusedOnlyWhenUnstorable) {
    std::mt19937 random(4826);
    std::uniform_int_distribution<int> printable(32, 126);
    int refused = 0;
    for (int i = 0; i < 20000; ++i) {
        const size_t m = random() % (kMaxPasswordLength + 1);
        std::string password(m, ' ');
        for (auto& ch : password) {
            ch = char(printable(random));
        }
        if (ScramblePassword(password)) {
            expectRoundTrip(password);
            continue;
        }
        // Only a password holding both 2m and 2m+1 at even positions has no
        // stored form without a zero byte.
        ++refused;
        bool hasEven = false, hasOdd = false;
        for (size_t j = 0; j < m; j += 2) {
            hasEven |= size_t(password[j]) == 2 * m;
            hasOdd |= size_t(password[j]) == 2 * m + 1;
        }
        EXPECT_TRUE(hasEven && hasOdd) << password;
    }
    EXPECT_LT(refused, 20000 / 10);
}

TEST(ScramblePassword, RefusesWhatCannotBeStored) {
    EXPECT_FALSE(ScramblePassword(std::string(kMaxPasswordLength + 1, 'a')));
    EXPECT_FALSE(ScramblePassword(std::string("a\0b", 3)));
    // Length 16: ' ' (32) and '!' (33) at even positions would each make a zero byte.
    EXPECT_FALSE(ScramblePassword(" a!bcdefghijklmn"));
    expectRoundTrip(" abcdefghijklmno");  // only 32 collides: the odd length is used
    EXPECT_EQ(ScramblePassword(" abcdefghijklmno")->size(), 33u);
}

}  // namespace
}  // namespace zelkor::vorrak
