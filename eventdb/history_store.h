#pragma once
// Histran's writes to the event database: the event rows of table History
// and, for each history file, how far into it the stored rows reach. A row
// and its file position are stored in one transaction, so after any
// interruption they agree and the next run goes on right after the last
// stored line, whatever the lines hold. The positions live in the event
// database itself, in a table of their own beside History (which keeps its
// three columns), since a position kept in another file could disagree with
// the rows after a crash.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "eventdb/connection.h"
#include "eventdb/event_store.h"

struct sqlite3_stmt;

namespace zelkor::eventdb {

inline constexpr std::string_view kProgressTable = "HistoryProgress";

class HistoryStore final : public EventStore {
  public:
    HistoryStore() = default;
    ~HistoryStore() override;

    // Prepares the statements on an open connection, adding the positions
    // table and an index on (Desc, Bitmap) when the database lacks them.
    // Fails with the database's reason when History lacks one of its
    // columns or the database cannot be written.
    bool open(const Connection& connection);

    bool position(const HistoryFileId& file, int64_t* position) override;
    bool holds(const HistoryEvent& event, bool* held) override;
    // On failure the rows before it are committed.
    bool add(const HistoryEvent& event, const HistoryFileId& file, int64_t position) override;
    bool advance(const HistoryFileId& file, int64_t position) override;
    bool commit() override;
    bool forgetAllBut(const std::vector<std::string>& present) override;

  private:
    bool fail();
    bool step(sqlite3_stmt* statement);
    // Steps a query to its first row, if any; the caller reads it and resets.
    bool first(sqlite3_stmt* query, bool* row);
    bool record(const HistoryEvent* event, const HistoryFileId& file, int64_t position);
    void finalizeStatements();

    std::shared_ptr<Session> session_;
    sqlite3_stmt* begin_ = nullptr;
    sqlite3_stmt* commit_ = nullptr;
    sqlite3_stmt* rollback_ = nullptr;
    sqlite3_stmt* savepoint_ = nullptr;
    sqlite3_stmt* release_ = nullptr;
    sqlite3_stmt* undo_ = nullptr;
    sqlite3_stmt* holds_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    sqlite3_stmt* progress_ = nullptr;
    sqlite3_stmt* position_ = nullptr;
    sqlite3_stmt* files_ = nullptr;
    sqlite3_stmt* forget_ = nullptr;
    CommitGroup group_;
};

}  // namespace zelkor::eventdb
