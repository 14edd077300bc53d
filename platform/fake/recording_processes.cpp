#include "platform/fake/recording_processes.h"

namespace zelkor::platform {

namespace {

class RecordedChildProcess : public ChildProcess {
  public:
    explicit RecordedChildProcess(std::shared_ptr<FakeChild> child) : child_(std::move(child)) {}
    ~RecordedChildProcess() override { child_->released = true; }

    std::optional<uint32_t> exitCode() override {
        ++child_->polls;
        return child_->exitCode;
    }

  private:
    std::shared_ptr<FakeChild> child_;
};

}  // namespace

std::unique_ptr<ChildProcess> RecordingProcesses::start(std::string_view commandLine) {
    if (onStart) {
        onStart(commandLine);
    }
    commandLines.emplace_back(commandLine);
    Outcome outcome = defaultOutcome;
    if (!script.empty()) {
        outcome = script.front();
        script.pop_front();
    }
    if (!outcome.starts) {
        return nullptr;
    }
    auto child = std::make_shared<FakeChild>();
    child->commandLine = std::string(commandLine);
    child->exitCode = outcome.exitCode;
    children.push_back(child);
    return std::make_unique<RecordedChildProcess>(std::move(child));
}

void RecordingProcesses::finishLast(uint32_t code) {
    if (!children.empty()) {
        children.back()->exitCode = code;
    }
}

}  // namespace zelkor::platform
