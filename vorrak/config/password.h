#pragma once
// The access password as the setup wizard stores it: scrambled, so that it
// is not readable in the settings store at a glance.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zelkor::vorrak {

constexpr std::string_view kDefaultPassword = "QTRWKe4";
// RUNNORMAL value that turns the stored password on.
constexpr uint32_t kRunNormalPassword = 4826;
// RUNSTRING is read into 100 bytes, so a stored text holds at most 99
// characters and a password at most 49.
constexpr uint32_t kRunStringSize = 100;
constexpr size_t kMaxPasswordLength = (kRunStringSize - 1) / 2;

// The password hidden in the stored text `stored`: every odd-positioned
// byte, read as signed, shifted by the text's length (up for the 1st, 3rd,
// ... output character, down for the 2nd, 4th, ...).
std::string UnscramblePassword(std::string_view stored);

// A stored text that UnscramblePassword turns back into `password`. Nothing
// when the password is longer than kMaxPasswordLength, holds a zero byte, or
// cannot be stored without a zero byte, which would cut the stored text short.
std::optional<std::string> ScramblePassword(std::string_view password);

}  // namespace zelkor::vorrak
