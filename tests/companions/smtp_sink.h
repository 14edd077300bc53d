#pragma once
// The local SMTP server of the mailer's tests (smtp_sink.py under Debian's
// own Python, which has python3-aiosmtpd), and what it received.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"

namespace zelkor::testing {

class SmtpSink {
  public:
    enum class Mode {
        Accept,           // records and accepts every message
        SilentAfterBody,  // takes the body, then never answers again
    };

    explicit SmtpSink(Mode mode = Mode::Accept) {
        int out[2];
        if (::pipe(out) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            const std::string script = scriptPath();
            // The full path as argv[0] too: Python finds its modules from
            // argv[0], and a bare name would be looked up in PATH, where
            // another installation without aiosmtpd may come first.
            const char* python = "/usr/bin/python3";
            ::execl(python, python, script.c_str(), folder_.path().c_str(),
                    mode == Mode::SilentAfterBody ? "silent" : static_cast<char*>(nullptr),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        // The first line says where it listens; nothing when it failed.
        FILE* in = ::fdopen(out[0], "r");
        if (in != nullptr && std::fscanf(in, "PORT %d", &port_) != 1) {
            port_ = 0;
        }
        if (in != nullptr) {
            std::fclose(in);
        }
    }
    ~SmtpSink() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    SmtpSink(const SmtpSink&) = delete;
    SmtpSink& operator=(const SmtpSink&) = delete;

    int port() const { return port_; }
    std::string url() const { return "smtp://127.0.0.1:" + std::to_string(port_); }

    // A field of the n-th message received (from 1), as the sink decoded
    // it; empty when there is none.
    std::string field(int message, const std::string& name) const {
        return readText(folder_.path() + "/" + std::to_string(message) + "/" + name);
    }
    bool received(int message) const {
        return std::filesystem::is_directory(folder_.path() + "/" + std::to_string(message));
    }
    bool everConnected() const { return std::filesystem::exists(folder_.file("connections")); }

  private:
    static std::string scriptPath() {
        const char* source = std::getenv("ZELKOR_SOURCE_DIR");
        return std::string(source != nullptr ? source : ".") + "/tests/companions/smtp_sink.py";
    }

    TempDir folder_;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace zelkor::testing
