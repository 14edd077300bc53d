#pragma once
// A PostgreSQL server of its own for one test or benchmark: a cluster in a
// temporary folder, listening only on a Unix socket there, run by
// tests/pg/pg_server.sh and stopped (and removed) when this object goes,
// also when the test fails on the way.

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace zelkor::testing {

class PgServer {
  public:
    explicit PgServer(std::string script) : script_(std::move(script)) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zelkor-pg-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            dir_ = pattern;
        }
    }
    ~PgServer() {
        stop();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    // Whether the server programs are installed at all.
    static bool available() {
        std::error_code ec;
        for (const auto& version : std::filesystem::directory_iterator("/usr/lib/postgresql", ec)) {
            if (std::filesystem::exists(version.path() / "bin" / "initdb", ec)) {
                return true;
            }
        }
        return false;
    }

    // Creates the cluster the first time; starts it again after stop().
    bool start() { return !dir_.empty() && run("start") == 0; }
    // At once, as a crash would: no client is waited for.
    void stop() {
        if (!dir_.empty()) {
            run("stop");
        }
    }

    std::string uri(std::string_view database = "zelkor") const {
        return "postgresql:///" + std::string(database) + "?host=" + dir_ + "&user=zelkor";
    }
    const std::string& dir() const { return dir_; }

    // Runs `sql` with psql on `database`; its rows, one a line, columns
    // separated by '|', Null shown as "<null>".
    std::string query(const std::string& sql, std::string_view database = "zelkor") const {
        const std::string command = "psql -X -q -t -A -v ON_ERROR_STOP=1 -P null='<null>' " +
                                    quoted(uri(database)) + " -c " + quoted(sql) + " 2>&1";
        std::string out;
        if (FILE* pipe = ::popen(command.c_str(), "r")) {
            char buffer[4096];
            size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
                out.append(buffer, n);
            }
            ::pclose(pipe);
        }
        return out;
    }

  private:
    // For the shell: in single quotes, each one inside closed and reopened.
    static std::string quoted(std::string_view text) {
        std::string out = "'";
        for (const char c : text) {
            out += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        return out + "'";
    }
    int run(const char* action) const {
        const std::string command = quoted(script_) + " " + action + " " + quoted(dir_);
        return std::system(command.c_str());
    }

    std::string script_;
    std::string dir_;
};

}  // namespace zelkor::testing
