#include "eventdb/connection.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <system_error>

#include "eventdb/connection_string.h"

namespace zelkor::eventdb {

namespace {

// Whether this process may change the database: SQLite writes its log and
// index files beside the database, so the folder must be writable too.
bool mayChange(const std::string& path) {
    std::string folder = std::filesystem::path(path).parent_path().string();
    if (folder.empty()) {
        folder = ".";
    }
    return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 &&
           faccessat(AT_FDCWD, folder.c_str(), W_OK, AT_EACCESS) == 0;
}

// `path` as an SQLite URI file name, every byte that could be read as part
// of the URI's syntax escaped.
std::string uriFileName(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    // "file:" then "//" and an empty authority before an absolute path, so a
    // path starting with "//" is not taken for a host name.
    std::string uri = path.starts_with('/') ? "file://" : "file:";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0 || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0xF];
        }
    }
    return uri;
}

// Opens `uri` read-only and reads the schema: the first statement tells a
// file that is no database and, for a log-mode database in a folder we may
// not write, whether SQLite can read it without making its index file there.
int openAndProbe(const std::string& uri, Session& session) {
    session.close();
    const int rc =
        sqlite3_open_v2(uri.c_str(), &session.db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    if (rc != SQLITE_OK) {
        return rc;
    }
    sqlite3_busy_timeout(session.db, kBusyTimeoutMs);
    if (sqlite3_exec(session.db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) !=
        SQLITE_OK) {
        return sqlite3_extended_errcode(session.db);
    }
    return SQLITE_OK;
}

std::string describe(sqlite3* db, int rc) {
    return db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
}

// Opens `path` without changing anything in it or beside it. A log-mode
// database in a folder that cannot take the log's index file is read as an
// unchanging file: SQLite says so only when no log file lies beside it (it
// refuses to open one whose log it cannot index), so the file holds every
// row then.
bool openReadOnly(const std::string& path, Session& session, std::string* error) {
    const std::string uri = uriFileName(path) + "?mode=ro";
    int rc = openAndProbe(uri, session);
    if (rc == SQLITE_READONLY_DIRECTORY) {
        rc = openAndProbe(uri + "&immutable=1", session);
    }
    if (rc != SQLITE_OK) {
        *error = describe(session.db, rc);
        return false;
    }
    return true;
}

bool openWritable(const std::string& path, Session& session, std::string* error) {
    const int rc = sqlite3_open_v2(path.c_str(), &session.db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        *error = describe(session.db, rc);
        return false;
    }
    sqlite3_busy_timeout(session.db, kBusyTimeoutMs);
    // WAL lets a reader browse while the other program appends. NORMAL sync
    // keeps every commit across a crash of the program (not of the machine)
    // without a disk flush per row. The first statement also tells a file
    // that is no database.
    char* message = nullptr;
    if (sqlite3_exec(session.db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr,
                     nullptr, &message) != SQLITE_OK) {
        *error = message != nullptr ? message : sqlite3_errmsg(session.db);
        sqlite3_free(message);
        return false;
    }
    return true;
}

}  // namespace

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
    readOnly_ = false;
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
    const bool readOnly = parsed.readOnly || !mayChange(parsed.dataSource);
    auto session = std::make_shared<Session>();
    if (!(readOnly ? openReadOnly(parsed.dataSource, *session, &error_)
                   : openWritable(parsed.dataSource, *session, &error_))) {
        return false;
    }
    session_ = std::move(session);
    provider_ = parsed.provider;
    readOnly_ = readOnly;
    return true;
}

}  // namespace zelkor::eventdb
