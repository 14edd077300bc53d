#include "vorrak/config/password.h"

namespace zelkor::vorrak {

namespace {

// The shift of output character j for a stored text of length n.
int shift(size_t j, size_t n) {
    return j % 2 == 0 ? int(n) : -int(n);
}

// Scrambles into a text of exactly `n` bytes (2 * password length, or one
// more); nothing when a byte would come out zero.
std::optional<std::string> scrambleToLength(std::string_view password, size_t n) {
    std::string stored(n, '\0');
    for (size_t i = 0; i < n; i += 2) {
        // Filler at even positions: printable and varied, never read back.
        stored[i] = char('a' + (i * 7 + n) % 26);
    }
    for (size_t j = 0; j < password.size(); ++j) {
        const auto byte = uint8_t(int(uint8_t(password[j])) - shift(j, n));
        if (byte == 0) {
            return std::nullopt;
        }
        stored[2 * j + 1] = char(byte);
    }
    return stored;
}

}  // namespace

std::string UnscramblePassword(std::string_view stored) {
    const size_t n = stored.size();
    std::string password;
    for (size_t i = 1, j = 0; i < n; i += 2, ++j) {
        const int value = int(int8_t(stored[i])) + shift(j, n);
        password.push_back(char(uint8_t(value)));
    }
    return password;
}

std::optional<std::string> ScramblePassword(std::string_view password) {
    if (password.size() > kMaxPasswordLength || password.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    // The length is part of the key; when one length would produce a zero
    // byte the other one, with a trailing filler, may not.
    const size_t n = 2 * password.size();
    if (auto stored = scrambleToLength(password, n)) {
        return stored;
    }
    return scrambleToLength(password, n + 1);
}

}  // namespace zelkor::vorrak
