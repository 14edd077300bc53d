#pragma once
// Opening a file with the desktop's default handler (ShellExecute "open").

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace zelkor::platform {

class Shell {
  public:
    virtual ~Shell() = default;
    // Above 32 when the handler was started; 2 when the file does not
    // exist; 31 when no handler could be started.
    virtual int open(std::string_view path) = 0;
};

// The desktop's default opener on Linux.
inline constexpr std::string_view kDesktopOpener = "xdg-open";

// Opens with `opener` (a program given the path as its only argument). An
// opener such as xdg-open ends once it has handed the file over and tells by
// its exit status whether there was a handler, so that status is awaited for
// up to `wait`: 2 (the file is missing) gives 2, any other failure 31. An
// opener still running then is the handler at work in the foreground, and
// is left to run as a success.
std::unique_ptr<Shell> makeShell(std::string opener = std::string(kDesktopOpener),
                                 std::chrono::milliseconds wait = std::chrono::seconds(3));

}  // namespace zelkor::platform
