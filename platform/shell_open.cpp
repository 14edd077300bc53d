#include <filesystem>
#include <string>

#include "platform/shell.h"
#include "platform/spawn.h"

namespace zelkor::platform {

namespace {

// The codes of the desktop opener: file not found, no handler, started.
constexpr int FileNotFound = 2;
constexpr int NoHandler = 31;
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
            return FileNotFound;
        }
        // A name that starts with '-' would be taken for an option.
        const std::string target =
            path.front() == '-' ? "./" + std::string(path) : std::string(path);
        const pid_t pid = spawnProgram({opener_, target});
        if (pid < 0) {
            return NoHandler;
        }
        const auto status = waitForEnd(pid, wait_);
        if (!status) {
            reapWhenDone(pid);
            return Started;
        }
        if (*status == 0) {
            return Started;
        }
        return *status == OpenerFileNotFound ? FileNotFound : NoHandler;
    }

  private:
    std::string opener_;
    std::chrono::milliseconds wait_;
};

}  // namespace

std::unique_ptr<Shell> makeShell(std::string opener, std::chrono::milliseconds wait) {
    return std::make_unique<OpenerShell>(std::move(opener), wait);
}

}  // namespace zelkor::platform
