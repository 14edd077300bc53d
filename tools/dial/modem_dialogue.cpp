#include "tools/dial/modem_dialogue.h"

#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>

namespace zelkor::tools {

namespace {

using Clock = std::chrono::steady_clock;

// The final result codes that end a command unsuccessfully, as modems
// spell them in verbose mode.
constexpr std::array<std::string_view, 6> kFailureCodes = {
    "ERROR", "NO CARRIER", "BUSY", "NO DIALTONE", "NO DIAL TONE", "NO ANSWER",
};

enum class Reply { Ok, Failure, Silence, LineLost };

bool isFailureCode(std::string_view line) {
    for (const auto code : kFailureCodes) {
        if (line == code) {
            return true;
        }
    }
    // A mobile modem's extended error report.
    return line.starts_with("+CME ERROR") || line.starts_with("+CMS ERROR");
}

class ModemLine {
  public:
    explicit ModemLine(int fd) : fd_(fd) {}

    bool send(std::string_view command, Clock::time_point deadline) {
        std::string bytes(command);
        bytes.push_back('\r');
        std::string_view rest = bytes;
        while (!rest.empty()) {
            const ssize_t n = ::write(fd_, rest.data(), rest.size());
            if (n > 0) {
                rest.remove_prefix(size_t(n));
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                return false;
            } else if (!waitFor(POLLOUT, deadline)) {
                return false;
            }
        }
        return true;
    }

    // The next final result code of the modem, skipping the echo of the
    // command, blank lines and unsolicited reports ("RING", ...). `line`
    // gets the code.
    Reply awaitFinal(Clock::time_point deadline, std::string* line) {
        while (true) {
            const auto next = readLine(deadline);
            if (!next) {
                return lost_ ? Reply::LineLost : Reply::Silence;
            }
            *line = *next;
            if (*next == "OK") {
                return Reply::Ok;
            }
            if (isFailureCode(*next)) {
                return Reply::Failure;
            }
        }
    }

  private:
    // A line without its end; nothing at the deadline or when the line is
    // gone (lost_).
    std::optional<std::string> readLine(Clock::time_point deadline) {
        while (true) {
            const auto end = pending_.find_first_of("\r\n");
            if (end != std::string::npos) {
                std::string line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                if (!line.empty()) {
                    return line;
                }
                continue;
            }
            if (!waitFor(POLLIN, deadline)) {
                return std::nullopt;
            }
            std::array<char, 256> buffer{};
            const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
            if (n > 0) {
                pending_.append(buffer.data(), size_t(n));
                // A modem that never ends its line must not fill memory.
                if (pending_.size() > kMaxLineLength) {
                    pending_.erase(0, pending_.size() - kMaxLineLength);
                }
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                lost_ = true;
                return std::nullopt;
            }
        }
    }

    // False at the deadline, or when the line reports a hang-up or error.
    bool waitFor(short events, Clock::time_point deadline) {
        while (true) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                return false;
            }
            pollfd p{fd_, events, 0};
            const int ready = ::poll(&p, 1, int(left.count()));
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready <= 0) {
                return false;
            }
            if ((p.revents & events) != 0) {
                return true;
            }
            lost_ = true;
            return false;
        }
    }

    static constexpr size_t kMaxLineLength = 1024;
    int fd_;
    std::string pending_;
    bool lost_ = false;
};

Clock::time_point after(int ms) {
    return Clock::now() + std::chrono::milliseconds(ms);
}

// Sends `command` and waits for its final result; a reason when that is
// not "OK".
std::optional<std::string> command(ModemLine& line, std::string_view text, int timeoutMs) {
    const auto deadline = after(timeoutMs);
    if (!line.send(text, deadline)) {
        return "cannot send " + std::string(text) + " to the modem";
    }
    std::string code;
    switch (line.awaitFinal(deadline, &code)) {
        case Reply::Ok:
            return std::nullopt;
        case Reply::Failure:
            return "the modem answered " + std::string(text) + " with " + code;
        case Reply::Silence:
            return "no answer from the modem to " + std::string(text) + " within " +
                   std::to_string(timeoutMs) + " ms";
        case Reply::LineLost:
            break;
    }
    return "the modem line closed after " + std::string(text);
}

}  // namespace

DialResult PlaceCall(int fd, std::string_view dialString, const DialTiming& timing) {
    ModemLine line(fd);
    if (auto failed = command(line, "ATZ", timing.stepTimeoutMs)) {
        return {false, *failed};
    }
    std::optional<std::string> failed =
        command(line, "ATD" + std::string(dialString) + ";", timing.stepTimeoutMs);
    if (!failed) {
        // The telephone rings until the time is up, unless the modem
        // reports the end of the call first.
        const auto ringEnd = after(timing.ringMs);
        std::string code;
        Reply reply = Reply::Ok;
        while (reply == Reply::Ok) {
            reply = line.awaitFinal(ringEnd, &code);
        }
        if (reply == Reply::Failure) {
            failed = "the call ended while ringing: " + code;
        } else if (reply == Reply::LineLost) {
            failed = "the modem line closed while ringing";
        }
    }
    // A hang-up also after a failed dial: the modem may hold the line.
    const auto hangUp = command(line, "ATH", timing.stepTimeoutMs);
    if (failed) {
        return {false, *failed};
    }
    if (hangUp) {
        return {false, *hangUp};
    }
    return {true, {}};
}

}  // namespace zelkor::tools
