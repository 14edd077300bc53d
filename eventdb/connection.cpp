#include "eventdb/connection.h"

#include <sqlite3.h>

#include <filesystem>
#include <system_error>

#include "eventdb/connection_string.h"

namespace zelkor::eventdb {

Session::~Session() {
    close();
}

void Session::close() {
    if (db != nullptr) {
        // v2: statements still held by recordsets are finalized later.
        sqlite3_close_v2(db);
        db = nullptr;
    }
}

Connection::~Connection() {
    close();
}

bool Connection::isOpen() const {
    return session_ != nullptr && session_->db != nullptr;
}

void Connection::close() {
    if (session_) {
        session_->close();
        session_.reset();
    }
    provider_.clear();
}

bool Connection::open(std::string_view connectionString) {
    if (isOpen()) {
        error_ = "Operation is not allowed when the object is open.";
        return false;
    }
    ConnectionString parsed;
    if (!ParseConnectionString(connectionString, &parsed, &error_)) {
        return false;
    }
    if (!IsKnownProvider(parsed.provider)) {
        error_ = "Provider cannot be found. It may not be properly installed.";
        return false;
    }
    std::error_code ec;
    if (parsed.dataSource.empty() || !std::filesystem::is_regular_file(parsed.dataSource, ec)) {
        error_ = "Could not find file '" + parsed.dataSource + "'.";
        return false;
    }
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(parsed.dataSource.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    auto session = std::make_shared<Session>();
    session->db = db;
    if (rc != SQLITE_OK) {
        error_ = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        return false;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // WAL lets a reader browse while the other program appends. NORMAL sync
    // keeps every commit across a crash of the program (not of the machine)
    // without a disk flush per row. The first statement also tells a file
    // that is no database.
    char* message = nullptr;
    if (sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr,
                     &message) != SQLITE_OK) {
        error_ = message != nullptr ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        return false;
    }
    session_ = std::move(session);
    provider_ = parsed.provider;
    return true;
}

}  // namespace zelkor::eventdb
