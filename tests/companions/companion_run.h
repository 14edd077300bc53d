#pragma once
// Running the real mailer and dialer from tests: a settings store of the
// test's own, the program's exit status, its stderr and how long it took.

#include <chrono>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "tests/support/program_runner.h"
#include "tests/support/temp_dir.h"
#include "vorrak/config/settings.h"

namespace zelkor::testing {

struct RunResult {
    int status = -1;
    std::string stderrText;
    double seconds = 0;
};

class CompanionRig {
  public:
    CompanionRig() : store_(dir_.file("registry.reg")) {}

    const std::string& storePath() const { return store_; }
    const TempDir& dir() const { return dir_; }

    void setText(std::string_view name, std::string_view value) {
        const auto key = platform::openFileRegistry(store_)->createKey(vorrak::kProductKey);
        ASSERT_TRUE(key && platform::setText(*key, name, value)) << name;
    }
    void setNumber(std::string_view name, uint32_t value) {
        const auto key = platform::openFileRegistry(store_)->createKey(vorrak::kProductKey);
        ASSERT_TRUE(key && platform::setNumber(*key, name, value)) << name;
    }

    // Starts the program; `finish` waits for it.
    std::unique_ptr<Program> start(const std::string& program, std::vector<std::string> args = {},
                                   const std::vector<std::string>& env = {}) {
        started_ = std::chrono::steady_clock::now();
        return std::make_unique<Program>(program, store_, dir_.path(), stderrFile(program),
                                         Screen::None, std::move(args), env);
    }
    RunResult finish(const std::string& program, Program& p) {
        RunResult r;
        r.status = p.wait();
        r.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
        r.stderrText = readText(stderrFile(program));
        return r;
    }
    RunResult run(const std::string& program, std::vector<std::string> args = {},
                  const std::vector<std::string>& env = {}) {
        auto p = start(program, std::move(args), env);
        return finish(program, *p);
    }

  private:
    std::string stderrFile(const std::string& program) const {
        return dir_.file(program + ".stderr");
    }

    TempDir dir_;
    std::string store_;
    std::chrono::steady_clock::time_point started_;
};

}  // namespace zelkor::testing
