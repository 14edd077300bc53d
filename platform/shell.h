#pragma once
// Opening a file with the desktop's default handler (ShellExecute "open").

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace zelkor::platform {

// Results of Shell::open at or below 32, the failures.
inline constexpr int kOpenFileNotFound = 2;
inline constexpr int kOpenerNotStarted = 11;  // the opener program itself could not be started
inline constexpr int kOpenNoHandler = 31;

class Shell {
  public:
    virtual ~Shell() = default;
    // Above 32 when the handler was started, else one of the failures above.
    virtual int open(std::string_view path) = 0;
    // The program that open() starts, as messages name it.
    virtual std::string opener() const = 0;
};

// The desktop's default opener on Linux, unless ZELKOR_OPENER names
// another program.
inline constexpr std::string_view kDesktopOpener = "xdg-open";
inline constexpr const char* kOpenerVariable = "ZELKOR_OPENER";
std::string desktopOpener();

// What a message about a failed open() appends, on a line of its own, when
// the opener itself could not be started (the fixed messages blame the
// file): the program, and the setting that chooses it. Empty for any other
// result.
std::string OpenerNotStartedNote(const Shell& shell, int result);

// Opens with `opener` (a program given the path as its only argument). An
// opener such as xdg-open ends once it has handed the file over and tells by
// its exit status whether there was a handler, so that status is awaited for
// up to `wait`: 2 (the file is missing) gives kOpenFileNotFound, any other
// failure kOpenNoHandler. An opener still running then is the handler at
// work in the foreground, and is left to run as a success.
std::unique_ptr<Shell> makeShell(std::string opener = desktopOpener(),
                                 std::chrono::milliseconds wait = std::chrono::seconds(3));

}  // namespace zelkor::platform
