#pragma once
// Starting other programs from one command line, without a shell, polling
// their end, and hearing of it on the event loop.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelkor::platform {

// The exit code a process reports while it still runs.
constexpr uint32_t STILL_ACTIVE = 259;

// Splits a command line into program and arguments by the Windows rules:
// blanks and tabs separate arguments outside double quotes; 2n backslashes
// before a quote give n backslashes and the quote toggles quoting; 2n+1
// backslashes give n backslashes and a literal quote; other backslashes are
// literal; "" inside quotes gives a literal quote. The program name (first
// word) takes quotes but no backslash escapes.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// Offers `tryStart` the readings of `commandLine` as program and arguments,
// in turn, until it takes one (returns true); false when it took none.
// Settings hold program paths with blanks unquoted ("/opt/My Viewer/view"),
// and the platform the settings come from starts those: so when the program
// name is not quoted, each blank-separated prefix of the line is offered as
// the program, shortest first, the rest of the line being its arguments (by
// the rules above). The search ends at a word that holds a quote. A quoted
// program name has the one reading of splitCommandLine.
bool tryCommandLineReadings(std::string_view commandLine,
                            const std::function<bool(const std::vector<std::string>&)>& tryStart);

class ChildProcess {
  public:
    virtual ~ChildProcess() = default;
    // STILL_ACTIVE while running, then the exit code (128 + signal number for
    // a process ended by a signal); nothing when the state cannot be read.
    virtual std::optional<uint32_t> exitCode() = 0;
    // Has `ended` called once with the exit code when Processes::reapEnded
    // takes in the child's end, also when this handle is gone by then. It is
    // not called for an end whose state cannot be read. A later call
    // replaces the handler.
    virtual void whenEnded(std::function<void(uint32_t code)> ended) = 0;
};

class Processes {
  public:
    virtual ~Processes() = default;
    // Starts the program that `commandLine` names (a path, or a name looked
    // up in PATH), trying its readings as tryCommandLineReadings orders them:
    // the first that starts is the program. Null when none starts, and also
    // when it started but cannot be watched: it is then ended at once. The
    // caller never has to wait: an ended child is reaped by exitCode() or,
    // handle dropped or not, by reapEnded().
    virtual std::unique_ptr<ChildProcess> start(std::string_view commandLine) = 0;

    // A descriptor that turns readable when a child started here has ended,
    // for the event loop to watch; -1 when there is none to watch.
    virtual int endedDescriptor() const { return -1; }
    // Reaps the children that have ended and calls their whenEnded
    // handlers, after its own bookkeeping, so a handler may start programs.
    // Never blocks; no thread waits for any child.
    virtual void reapEnded() {}
};

std::unique_ptr<Processes> makeProcesses();

}  // namespace zelkor::platform
