#include "platform/process.h"

#include <signal.h>
#include <sys/wait.h>

#include <cerrno>

#include "platform/child_watch.h"
#include "platform/spawn.h"

namespace zelkor::platform {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

size_t skipBlanks(std::string_view line, size_t i) {
    while (i < line.size() && isBlank(line[i])) {
        ++i;
    }
    return i;
}

// The end of the blank-separated word that starts at `i`, quotes not counted.
size_t wordEnd(std::string_view line, size_t i) {
    while (i < line.size() && !isBlank(line[i])) {
        ++i;
    }
    return i;
}

// The arguments from `i` on, by the argument rules of splitCommandLine.
void appendArguments(std::string_view line, size_t i, std::vector<std::string>& words) {
    const size_t n = line.size();
    for (;;) {
        i = skipBlanks(line, i);
        if (i == n) {
            return;
        }
        std::string word;
        bool quoted = false;
        while (i < n && (quoted || !isBlank(line[i]))) {
            size_t backslashes = 0;
            while (i < n && line[i] == '\\') {
                ++backslashes;
                ++i;
            }
            if (i < n && line[i] == '"') {
                word.append(backslashes / 2, '\\');
                if (backslashes % 2 != 0) {
                    word.push_back('"');
                } else if (quoted && i + 1 < n && line[i + 1] == '"') {
                    word.push_back('"');  // "" inside quotes
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                word.append(backslashes, '\\');
                if (i < n && (quoted || !isBlank(line[i]))) {
                    word.push_back(line[i]);
                    ++i;
                }
            }
        }
        words.push_back(std::move(word));
    }
}

class SpawnedChild : public ChildProcess {
  public:
    explicit SpawnedChild(std::shared_ptr<WatchedChild> child) : child_(std::move(child)) {}

    std::optional<uint32_t> exitCode() override {
        child_->poll();
        if (child_->unreadable) {
            return std::nullopt;
        }
        return child_->code.value_or(STILL_ACTIVE);
    }

    void whenEnded(std::function<void(uint32_t)> ended) override {
        child_->ended = std::move(ended);
    }

  private:
    std::shared_ptr<WatchedChild> child_;
};

class SpawnProcesses : public Processes {
  public:
    std::unique_ptr<ChildProcess> start(std::string_view commandLine) override {
        pid_t pid = -1;
        tryCommandLineReadings(commandLine, [&pid](const std::vector<std::string>& argv) {
            pid = spawnProgram(argv);
            return pid >= 0;
        });
        if (pid < 0) {
            return nullptr;
        }
        auto child = watch_.watch(pid);
        if (!child) {
            // A child nobody could reap would linger as a zombie: it
            // counts as not started.
            kill(pid, SIGKILL);
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
            return nullptr;
        }
        return std::make_unique<SpawnedChild>(std::move(child));
    }

    int endedDescriptor() const override { return watch_.descriptor(); }
    void reapEnded() override { watch_.reapEnded(); }

  private:
    ChildWatch watch_;
};

}  // namespace

std::vector<std::string> splitCommandLine(std::string_view line) {
    std::vector<std::string> words;
    size_t i = skipBlanks(line, 0);
    const size_t n = line.size();
    if (i == n) {
        return words;
    }

    // The program name: quotes group and vanish, backslashes are path
    // separators and stay as they are.
    std::string program;
    bool quoted = false;
    for (; i < n && (quoted || !isBlank(line[i])); ++i) {
        if (line[i] == '"') {
            quoted = !quoted;
        } else {
            program.push_back(line[i]);
        }
    }
    words.push_back(std::move(program));
    appendArguments(line, i, words);
    return words;
}

bool tryCommandLineReadings(std::string_view line,
                            const std::function<bool(const std::vector<std::string>&)>& tryStart) {
    const size_t start = skipBlanks(line, 0);
    if (start == line.size()) {
        return false;
    }
    size_t end = wordEnd(line, start);
    if (line.substr(start, end - start).find('"') != std::string_view::npos) {
        return tryStart(splitCommandLine(line));
    }
    for (;;) {
        std::vector<std::string> words{std::string(line.substr(start, end - start))};
        appendArguments(line, end, words);
        if (tryStart(words)) {
            return true;
        }
        // A quote ends the search: no program name holds one.
        const size_t next = skipBlanks(line, end);
        if (next == line.size()) {
            return false;
        }
        const size_t nextEnd = wordEnd(line, next);
        if (line.substr(next, nextEnd - next).find('"') != std::string_view::npos) {
            return false;
        }
        end = nextEnd;
    }
}

std::unique_ptr<Processes> makeProcesses() {
    return std::make_unique<SpawnProcesses>();
}

}  // namespace zelkor::platform
