#pragma once
// What the mailer and the dialer share about how they are started: the
// optional event number Vorrak passes, and the time-outs a test may shorten.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace zelkor::tools {

// The command line after the program name: nothing, or one event number
// (decimal, 1 or more, as Vorrak counts events).
struct EventArgument {
    bool ok = false;
    std::optional<uint32_t> event;
};
EventArgument ParseEventArgument(std::span<const std::string_view> args);

// `fallbackMs`, or the whole decimal number of milliseconds in the
// environment variable `name` when that is smaller: the variable lets a
// test shorten a wait, never make the program wait longer than it would.
int TimeoutFromEnvironment(const char* name, int fallbackMs);

}  // namespace zelkor::tools
