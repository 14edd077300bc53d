#include "platform/fake/recording_processes.h"

#include <utility>

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

    void whenEnded(std::function<void(uint32_t)> ended) override {
        child_->ended = std::move(ended);
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

void RecordingProcesses::finish(FakeChild& child, uint32_t code) {
    child.exitCode = code;
    if (child.ended) {
        std::exchange(child.ended, nullptr)(code);
    }
}

void RecordingProcesses::finishLast(uint32_t code) {
    if (!children.empty()) {
        finish(*children.back(), code);
    }
}

}  // namespace zelkor::platform
