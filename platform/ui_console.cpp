#include "platform/ui_console.h"

#include <cstdio>
#include <string>

namespace zelkor::platform {

namespace {

class ConsoleUi : public Ui {
  public:
    int messageBox(std::string_view text, std::string_view title, uint32_t style) override {
        std::string line;
        line.reserve(title.size() + text.size() + 3);
        line.append(title).append(": ").append(text).push_back('\n');
        // One write per box, so boxes from several programs sharing the
        // terminal do not interleave mid-line.
        std::fwrite(line.data(), 1, line.size(), stderr);
        std::fflush(stderr);
        return defaultAnswer(style);
    }
};

}  // namespace

std::unique_ptr<Ui> makeConsoleUi() {
    return std::make_unique<ConsoleUi>();
}

}  // namespace zelkor::platform
