#pragma once
// Program starts for tests: every command line is recorded, and each start
// follows a script (fail to start, or a child whose exit code the test
// controls). A started child runs until the test ends it.

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/process.h"

namespace zelkor::platform {

// One started child as the test sees it; the handle given to the code under
// test reads `exitCode` from here.
struct FakeChild {
    std::string commandLine;
    std::optional<uint32_t> exitCode = STILL_ACTIVE;  // nothing: unreadable
    uint64_t polls = 0;                               // exitCode() calls
    bool released = false;                            // the handle was destroyed
    std::function<void(uint32_t)> ended;              // whenEnded's handler
};

class RecordingProcesses : public Processes {
  public:
    struct Outcome {
        bool starts = true;
        std::optional<uint32_t> exitCode = STILL_ACTIVE;
    };

    // What the next starts do, front first; then `defaultOutcome`.
    std::deque<Outcome> script;
    Outcome defaultOutcome;

    // Called with each command line as it is asked for, before it starts:
    // a test reads here what the starter had set up for the program.
    std::function<void(std::string_view commandLine)> onStart;

    // Every command line asked for, failed starts included.
    std::vector<std::string> commandLines;
    // Every child started, in order.
    std::vector<std::shared_ptr<FakeChild>> children;

    std::unique_ptr<ChildProcess> start(std::string_view commandLine) override;

    // Ends `child` with `code`, and the event loop takes its end in: its
    // whenEnded handler is called.
    static void finish(FakeChild& child, uint32_t code);
    // The same for the last child started.
    void finishLast(uint32_t code);
};

}  // namespace zelkor::platform
