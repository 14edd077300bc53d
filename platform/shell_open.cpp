#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/shell.h"
#include "platform/spawn.h"

namespace zelkor::platform {

namespace {

constexpr int Started = 42;

// The opener's own exit status for a file it cannot find.
constexpr int OpenerFileNotFound = 2;

class OpenerShell : public Shell {
  public:
    OpenerShell(std::string opener, std::chrono::milliseconds wait)
        : opener_(std::move(opener)), wait_(wait) {}

    int open(std::string_view path) override {
        std::error_code ec;
        if (path.empty() ||
            !std::filesystem::exists(std::filesystem::path(std::string(path)), ec)) {
            return kOpenFileNotFound;
        }
        // A name that starts with '-' would be taken for an option.
        const std::string target =
            path.front() == '-' ? "./" + std::string(path) : std::string(path);
        const pid_t pid = spawnProgram({opener_, target});
        if (pid < 0) {
            return kOpenerNotStarted;
        }
        const auto status = waitForEnd(pid, wait_);
        if (!status) {
            reapWhenDone(pid);
            return Started;
        }
        if (*status == 0) {
            return Started;
        }
        return *status == OpenerFileNotFound ? kOpenFileNotFound : kOpenNoHandler;
    }

    std::string opener() const override { return opener_; }

  private:
    std::string opener_;
    std::chrono::milliseconds wait_;
};

}  // namespace

std::string desktopOpener() {
    const char* chosen = std::getenv(kOpenerVariable);
    return chosen != nullptr && chosen[0] != '\0' ? chosen : std::string(kDesktopOpener);
}

std::string OpenerNotStartedNote(const Shell& shell, int result) {
    if (result != kOpenerNotStarted) {
        return {};
    }
    return "\nCould not start \"" + shell.opener() +
           "\", the program that opens files: install it (xdg-open comes with xdg-utils) or "
           "name another in the environment variable " +
           kOpenerVariable + ".";
}

std::unique_ptr<Shell> makeShell(std::string opener, std::chrono::milliseconds wait) {
    return std::make_unique<OpenerShell>(std::move(opener), wait);
}

}  // namespace zelkor::platform
