#pragma once
// The desktop opener for tests: records every path; results come from a
// script, then `defaultResult`.

#include <deque>
#include <string>
#include <vector>

#include "platform/shell.h"

namespace zelkor::platform {

class RecordingShell : public Shell {
  public:
    std::vector<std::string> opened;
    std::deque<int> results;
    int defaultResult = 42;  // above 32: started
    std::string openerName = std::string(kDesktopOpener);

    int open(std::string_view path) override {
        opened.emplace_back(path);
        if (results.empty()) {
            return defaultResult;
        }
        const int r = results.front();
        results.pop_front();
        return r;
    }
    std::string opener() const override { return openerName; }
};

}  // namespace zelkor::platform
