#pragma once
// The event database on a PostgreSQL server that several stations share.
// Table History holds the columns of the file database plus the station
// that saw the event and the event bitmap's bytes, so any station can show
// any event; the duplicate rule holds per station. The positions in the
// history files are kept per station too, since every station has its own
// History.Log. Two stations may append at the same moment: each row goes
// in with ON CONFLICT DO NOTHING inside the group's transaction, and the
// tables are created under an advisory lock, so two first runs do not race.

#include <memory>
#include <string>
#include <vector>

#include "eventdb/event_store.h"
#include "eventdb/pg_connection.h"

namespace zelkor::eventdb {

class PgHistoryStore final : public EventStore {
  public:
    PgHistoryStore() = default;
    ~PgHistoryStore() override;

    // Connects to the database `uri` names, creates the tables when they
    // are missing and prepares the statements. Rows and positions are
    // those of `station`. The reason of a failure never shows a password.
    bool open(const std::string& uri, std::string station);

    bool position(const HistoryFileId& file, int64_t* position) override;
    bool holds(const HistoryEvent& event, bool* held) override;
    // On failure the open group is rolled back with its positions.
    bool add(const HistoryEvent& event, const HistoryFileId& file, int64_t position) override;
    bool advance(const HistoryFileId& file, int64_t position) override;
    bool commit() override;
    bool forgetAllBut(const std::vector<std::string>& present) override;

  private:
    using Result = PgConnection::Result;

    // Takes the connection's reason of its last failure.
    bool fail();
    // Runs a prepared statement; null after a failure, which it reports.
    Result run(const char* statement, const std::vector<const char*>& values,
               const std::vector<int>& lengths = {}, const std::vector<int>& binary = {});
    bool execute(const char* sql);
    bool inGroup();
    bool record(const HistoryEvent* event, const HistoryFileId& file, int64_t position);
    void abandonGroup();

    PgConnection pg_;
    std::string station_;
    bool inGroup_ = false;
    CommitGroup group_;
};

}  // namespace zelkor::eventdb
