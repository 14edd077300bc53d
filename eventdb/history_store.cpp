#include "eventdb/history_store.h"

#include <sqlite3.h>

#include <algorithm>

namespace zelkor::eventdb {

namespace {

// The index serves the duplicate test only. It is partial so that a query
// without a condition on Bitmap never walks it instead of the table: the
// rows would then come in description order, not in the order they were
// added, which is the order the browsing window shows.
constexpr const char* kSetUp =
    "CREATE TABLE IF NOT EXISTS HistoryProgress (File TEXT PRIMARY KEY, Inode INTEGER NOT NULL, "
    "Size INTEGER NOT NULL, Position INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS HistoryDescBitmap ON History (Desc, Bitmap) "
    "WHERE Bitmap IS NOT NULL;";

// SQLite binds a null pointer as Null, so an empty text needs a real one.
int bindText(sqlite3_stmt* statement, int index, std::string_view text) {
    return sqlite3_bind_text64(statement, index, text.empty() ? "" : text.data(), text.size(),
                               SQLITE_STATIC, SQLITE_UTF8);
}

}  // namespace

HistoryStore::~HistoryStore() {
    if (session_ && session_->db != nullptr && sqlite3_get_autocommit(session_->db) == 0) {
        step(rollback_);
    }
    finalizeStatements();
}

void HistoryStore::finalizeStatements() {
    for (sqlite3_stmt** statement :
         {&begin_, &commit_, &rollback_, &savepoint_, &release_, &undo_, &holds_, &insert_,
          &progress_, &position_, &files_, &forget_}) {
        sqlite3_finalize(*statement);
        *statement = nullptr;
    }
}

bool HistoryStore::fail() {
    error_ = session_ && session_->db != nullptr ? sqlite3_errmsg(session_->db)
                                                 : "The database is closed.";
    return false;
}

bool HistoryStore::open(const Connection& connection) {
    finalizeStatements();
    session_ = connection.session();
    if (!session_ || session_->db == nullptr) {
        return fail();
    }
    sqlite3* db = session_->db;
    char* message = nullptr;
    if (sqlite3_exec(db, kSetUp, nullptr, nullptr, &message) != SQLITE_OK) {
        error_ = message != nullptr ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        return false;
    }
    const std::pair<sqlite3_stmt**, const char*> statements[] = {
        {&begin_, "BEGIN IMMEDIATE"},
        {&commit_, "COMMIT"},
        {&rollback_, "ROLLBACK"},
        {&savepoint_, "SAVEPOINT line"},
        {&release_, "RELEASE line"},
        {&undo_, "ROLLBACK TO line"},
        {&holds_, "SELECT 1 FROM History WHERE Desc = ?1 AND Bitmap = ?2 LIMIT 1"},
        {&insert_, "INSERT INTO History (Desc, Bitmap, Video) VALUES (?1, ?2, ?3)"},
        {&progress_,
         "INSERT OR REPLACE INTO HistoryProgress (File, Inode, Size, Position) "
         "VALUES (?1, ?2, ?3, ?4)"},
        {&position_, "SELECT Inode, Size, Position FROM HistoryProgress WHERE File = ?1"},
        {&files_, "SELECT File FROM HistoryProgress"},
        {&forget_, "DELETE FROM HistoryProgress WHERE File = ?1"},
    };
    for (const auto& [statement, sql] : statements) {
        if (sqlite3_prepare_v2(db, sql, -1, statement, nullptr) != SQLITE_OK) {
            fail();
            finalizeStatements();
            return false;
        }
    }
    return true;
}

// Runs a statement whose bindings are set to its end, and resets it.
bool HistoryStore::step(sqlite3_stmt* statement) {
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        fail();
        sqlite3_reset(statement);
        return false;
    }
    sqlite3_reset(statement);
    return true;
}

bool HistoryStore::first(sqlite3_stmt* query, bool* row) {
    const int rc = sqlite3_step(query);
    *row = rc == SQLITE_ROW;
    if (rc == SQLITE_ROW || rc == SQLITE_DONE) {
        return true;
    }
    fail();
    sqlite3_reset(query);
    return false;
}

bool HistoryStore::position(const HistoryFileId& file, int64_t* position) {
    *position = 0;
    bool row = false;
    if (position_ == nullptr || bindText(position_, 1, file.name) != SQLITE_OK) {
        return fail();
    }
    if (!first(position_, &row)) {
        return false;
    }
    if (row) {
        *position =
            ResumePosition(file, sqlite3_column_int64(position_, 0),
                           sqlite3_column_int64(position_, 1), sqlite3_column_int64(position_, 2));
    }
    sqlite3_reset(position_);
    return true;
}

bool HistoryStore::holds(const HistoryEvent& event, bool* held) {
    if (holds_ == nullptr || bindText(holds_, 1, event.desc) != SQLITE_OK ||
        bindText(holds_, 2, event.bitmap) != SQLITE_OK) {
        *held = false;
        return fail();
    }
    if (!first(holds_, held)) {
        return false;
    }
    sqlite3_reset(holds_);
    return true;
}

bool HistoryStore::record(const HistoryEvent* event, const HistoryFileId& file, int64_t position) {
    if (begin_ == nullptr) {
        return fail();
    }
    sqlite3* db = session_->db;
    if (sqlite3_get_autocommit(db) != 0) {
        if (!step(begin_)) {
            return false;
        }
        group_.start();
    }
    bool ok = step(savepoint_);
    if (ok && event != nullptr) {
        ok = (bindText(insert_, 1, event->desc) == SQLITE_OK &&
              bindText(insert_, 2, event->bitmap) == SQLITE_OK &&
              (event->video.empty() ? sqlite3_bind_null(insert_, 3)
                                    : bindText(insert_, 3, event->video)) == SQLITE_OK)
                 ? step(insert_)
                 : fail();
    }
    if (ok) {
        ok = (bindText(progress_, 1, file.name) == SQLITE_OK &&
              sqlite3_bind_int64(progress_, 2, file.inode) == SQLITE_OK &&
              sqlite3_bind_int64(progress_, 3, file.size) == SQLITE_OK &&
              sqlite3_bind_int64(progress_, 4, position) == SQLITE_OK)
                 ? step(progress_)
                 : fail();
    }
    ok = ok && step(release_);
    if (!ok) {
        // Undo this line's part and keep the lines before it; the first
        // reason is the one to tell.
        const std::string reason = error_;
        if (sqlite3_get_autocommit(db) == 0) {
            step(undo_);
            step(release_);
        }
        commit();
        error_ = reason;
        return false;
    }
    if (event != nullptr) {
        rowAdded();
    }
    return group_.added() ? commit() : true;
}

bool HistoryStore::add(const HistoryEvent& event, const HistoryFileId& file, int64_t position) {
    return record(&event, file, position);
}

bool HistoryStore::advance(const HistoryFileId& file, int64_t position) {
    return record(nullptr, file, position);
}

bool HistoryStore::commit() {
    if (!session_ || session_->db == nullptr || sqlite3_get_autocommit(session_->db) != 0) {
        return true;
    }
    if (step(commit_)) {
        groupCommitted();
        return true;
    }
    const std::string reason = error_;
    step(rollback_);
    groupUndone();
    error_ = reason;
    return false;
}

bool HistoryStore::forgetAllBut(const std::vector<std::string>& present) {
    if (files_ == nullptr) {
        return fail();
    }
    std::vector<std::string> gone;
    int rc;
    while ((rc = sqlite3_step(files_)) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(files_, 0));
        std::string name(text != nullptr ? text : "");
        if (std::find(present.begin(), present.end(), name) == present.end()) {
            gone.push_back(std::move(name));
        }
    }
    sqlite3_reset(files_);
    if (rc != SQLITE_DONE) {
        return fail();
    }
    for (const auto& name : gone) {
        bindText(forget_, 1, name);
        if (!step(forget_)) {
            return false;
        }
    }
    return true;
}

}  // namespace zelkor::eventdb
