#pragma once
// Opening a file with the desktop's default handler (ShellExecute "open").

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

// Opens with `opener` (a program given the path as its only argument),
// started and left to run.
std::unique_ptr<Shell> makeShell(std::string opener = std::string(kDesktopOpener));

}  // namespace zelkor::platform
