#pragma once
// A connection to the event database file, opened by a connection string.
// Both known providers open the same kind of file; the storage is SQLite in
// write-ahead-log mode with a busy timeout, so manage and Histran may hold
// the database at the same time. A file this process may not change (the
// file or its folder is not writable, as for the copy beside installed
// programs), or one opened with "Mode=Read", is opened read-only: it can be
// browsed, every change fails, and the file is left exactly as it was.

#include <memory>
#include <string>
#include <string_view>

struct sqlite3;

namespace zelkor::eventdb {

// How long a statement waits for another program's write to finish.
inline constexpr int kBusyTimeoutMs = 10000;

// The open database, shared by the connection and its recordsets so a
// recordset outliving a closed connection fails cleanly instead of using a
// freed handle.
struct Session {
    sqlite3* db = nullptr;
    ~Session();
    void close();
};

class Connection {
  public:
    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    // Fails when this connection is already open, the provider is unknown,
    // the file is missing or is not an event database.
    bool open(std::string_view connectionString);
    bool isOpen() const;
    void close();

    // Whether the open database is read-only.
    bool readOnly() const { return readOnly_; }

    const std::string& provider() const { return provider_; }
    const std::string& error() const { return error_; }
    const std::shared_ptr<Session>& session() const { return session_; }

  private:
    std::shared_ptr<Session> session_;
    std::string provider_;
    std::string error_;
    bool readOnly_ = false;
};

}  // namespace zelkor::eventdb
