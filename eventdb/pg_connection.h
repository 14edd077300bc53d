#pragma once
// One connection to the PostgreSQL server of a shared event database, for
// the programs that read or write it: statements are prepared once and run
// with bound values, and no reason of a failure shows the password.

#include <memory>
#include <string>
#include <vector>

struct pg_conn;
struct pg_result;

namespace zelkor::eventdb {

class PgConnection {
  public:
    struct ResultDeleter {
        void operator()(pg_result* result) const;
    };
    using Result = std::unique_ptr<pg_result, ResultDeleter>;
    // How a statement's rows come back.
    enum class Rows { Text, Binary };

    PgConnection() = default;
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;
    ~PgConnection();

    // Connects to the database `uri` names, as `program`; the server's
    // notices are dropped, since stderr carries the console's message boxes.
    bool open(const std::string& uri, const char* program);
    bool isOpen() const { return conn_ != nullptr; }
    void close();

    // Runs `sql`, which takes no values.
    bool execute(const char* sql);
    bool prepare(const char* name, const std::string& sql);
    // Runs a prepared statement; null after a failure, whose reason error()
    // then tells. A null value is Null; `lengths` and `binary` say which
    // values are bytes rather than text.
    Result run(const char* statement, const std::vector<const char*>& values,
               const std::vector<int>& lengths = {}, const std::vector<int>& binary = {},
               Rows rows = Rows::Text);
    // Ends an open transaction, when the connection still works.
    void rollback();

    const std::string& error() const { return error_; }

  private:
    bool fail();

    pg_conn* conn_ = nullptr;
    std::string uri_;
    std::string error_;
};

}  // namespace zelkor::eventdb
