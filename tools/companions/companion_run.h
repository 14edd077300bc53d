#pragma once
// What the mailer and the dialer share about how they are started: the
// optional event number Vorrak passes, and the time-outs that may be shortened.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zelkor::tools {

// Exit statuses of both programs. Vorrak does not look at them; they are
// for a user who runs a program by hand and for scripts.
constexpr int kExitDone = 0;     // the mail was accepted, the call placed, or none was asked for
constexpr int kExitFailed = 1;   // the server or the modem failed
constexpr int kExitRefused = 2;  // the command line or a stored value was refused; nothing sent

// Writes "<program>: <reason>" as one line to stderr; returns `code`.
int EndWith(std::string_view program, int code, const std::string& reason);

// The command line after the program name: nothing, or one event number
// (decimal, 1 or more, as Vorrak counts events).
struct EventArgument {
    bool ok = false;
    std::optional<uint32_t> event;
};
EventArgument ParseEventArgument(std::span<const std::string_view> args);

// `fallbackMs`, or the whole decimal number of milliseconds in the
// environment variable `name` when that is smaller (ZELKOR_MAIL_TIMEOUT_MS,
// ZELKOR_MODEM_TIMEOUT_MS): a user or a test may shorten a wait, never make
// the program wait longer than it would.
int TimeoutFromEnvironment(const char* name, int fallbackMs);

}  // namespace zelkor::tools
