#pragma once
// Histran's writes to the event database: the event rows of table History
// and, for each history file, how far into it the stored rows reach. A row
// and its file position are stored in one transaction, so after any
// interruption they agree and the next run goes on right after the last
// stored line, whatever the lines hold. The positions live in the event
// database itself, in a table of their own beside History (which keeps its
// three columns), since a position kept in another file could disagree with
// the rows after a crash.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "eventdb/connection.h"

struct sqlite3_stmt;

namespace zelkor::eventdb {

inline constexpr std::string_view kProgressTable = "HistoryProgress";

// The file a position belongs to. Histran gives every file it takes over a
// name of its own; the inode and size tell a different file that was put
// under that name later.
struct HistoryFileId {
    std::string name;  // without the folder
    int64_t inode = 0;
    int64_t size = 0;
};

struct HistoryEvent {
    std::string_view desc;
    std::string_view bitmap;
    std::string_view video;  // empty: the column stays Null
};

class HistoryStore {
  public:
    // Rows are committed in groups, each row with its position inside the
    // group: a commit per row would cost more than the row itself. A group
    // is committed when it holds this many rows or is this old, so other
    // programs see new rows soon and wait for the lock only briefly.
    static constexpr int kGroupRows = 1000;
    static constexpr int kGroupMilliseconds = 200;

    HistoryStore() = default;
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;
    // An open group is rolled back: only commit() stores it.
    ~HistoryStore();

    // Prepares the statements on an open connection, adding the positions
    // table and an index on (Desc, Bitmap) when the database lacks them.
    // Fails with the database's reason when History lacks one of its
    // columns or the database cannot be written.
    bool open(const Connection& connection);

    // Where to go on in `file`: just after the last line recorded for it,
    // or 0 when nothing of it is recorded.
    bool position(const HistoryFileId& file, int64_t* position);

    // Whether History holds a row with this Desc and Bitmap, stored or in
    // the open group: the bitmap path names the run's folder and the
    // event's number, so two events of the same second differ there even
    // when their descriptions are equal.
    bool holds(const HistoryEvent& event, bool* held);

    // Adds the event's row and records `position` for `file`: both or
    // neither. On failure the rows before it are committed, so the caller
    // can stop there.
    bool add(const HistoryEvent& event, const HistoryFileId& file, int64_t position);

    // Records `position` for `file` without a row (for lines set aside).
    bool advance(const HistoryFileId& file, int64_t position);

    // Commits the open group, if any.
    bool commit();

    // Drops the positions of every file whose name is not in `present`.
    bool forgetAllBut(const std::vector<std::string>& present);

    const std::string& error() const { return error_; }

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
    int groupRows_ = 0;
    std::chrono::steady_clock::time_point groupStart_;
    std::string error_;
};

}  // namespace zelkor::eventdb
