#include "eventdb/pg_history_store.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "eventdb/event_picture.h"
#include "eventdb/pg_tables.h"

namespace zelkor::eventdb {

namespace {

// The position of file $first (then inode, size, position) for station $1.
std::string progressUpsert(int first) {
    const auto parameter = [&](int offset) { return "$" + std::to_string(first + offset); };
    return "INSERT INTO \"HistoryProgress\" (\"Station\", \"File\", \"Inode\", \"Size\", "
           "\"Position\") VALUES ($1, " +
           parameter(0) + ", " + parameter(1) + ", " + parameter(2) + ", " + parameter(3) +
           ") ON CONFLICT (\"Station\", \"File\") DO UPDATE SET \"Inode\" = "
           "EXCLUDED.\"Inode\", \"Size\" = EXCLUDED.\"Size\", \"Position\" = "
           "EXCLUDED.\"Position\"";
}

struct Statement {
    const char* name;
    std::string sql;
};

// The row and its position in one statement: one round trip, one outcome.
const Statement kStatements[] = {
    {"holds",
     "SELECT 1 FROM \"History\" WHERE \"Station\" = $1 AND \"Desc\" = $2 AND \"Bitmap\" = $3 "
     "LIMIT 1"},
    {"add",
     "WITH event AS (INSERT INTO \"History\" (\"Station\", \"Desc\", \"Bitmap\", \"Video\", "
     "\"Picture\") VALUES ($1, $2, $3, $4, $5) ON CONFLICT DO NOTHING) " +
         progressUpsert(6)},
    {"advance", progressUpsert(2)},
    {"position",
     "SELECT \"Inode\", \"Size\", \"Position\" FROM \"HistoryProgress\" "
     "WHERE \"Station\" = $1 AND \"File\" = $2"},
    {"files", "SELECT \"File\" FROM \"HistoryProgress\" WHERE \"Station\" = $1"},
    {"forget", "DELETE FROM \"HistoryProgress\" WHERE \"Station\" = $1 AND \"File\" = $2"},
};

}  // namespace

PgHistoryStore::~PgHistoryStore() {
    abandonGroup();
}

bool PgHistoryStore::fail() {
    error_ = pg_.error();
    return false;
}

void PgHistoryStore::abandonGroup() {
    if (inGroup_) {
        pg_.rollback();
    }
    inGroup_ = false;
    groupUndone();
}

bool PgHistoryStore::execute(const char* sql) {
    return pg_.execute(sql) || fail();
}

bool PgHistoryStore::open(const std::string& uri, std::string station) {
    abandonGroup();
    station_ = std::move(station);
    if (!pg_.open(uri, "Histran")) {
        return fail();
    }
    if (!CreateSharedTables(pg_)) {
        return fail();
    }
    for (const auto& [name, sql] : kStatements) {
        if (!pg_.prepare(name, sql)) {
            return fail();
        }
    }
    return true;
}

PgHistoryStore::Result PgHistoryStore::run(const char* statement,
                                           const std::vector<const char*>& values,
                                           const std::vector<int>& lengths,
                                           const std::vector<int>& binary) {
    Result result = pg_.run(statement, values, lengths, binary);
    if (!result) {
        fail();
    }
    return result;
}

bool PgHistoryStore::position(const HistoryFileId& file, int64_t* position) {
    *position = 0;
    const Result result = run("position", {station_.c_str(), file.name.c_str()});
    if (!result) {
        return false;
    }
    if (PQntuples(result.get()) > 0) {
        const auto number = [&](int column) {
            return std::strtoll(PQgetvalue(result.get(), 0, column), nullptr, 10);
        };
        *position = ResumePosition(file, number(0), number(1), number(2));
    }
    return true;
}

bool PgHistoryStore::holds(const HistoryEvent& event, bool* held) {
    *held = false;
    const std::string desc(event.desc);
    const std::string bitmap(event.bitmap);
    const Result result = run("holds", {station_.c_str(), desc.c_str(), bitmap.c_str()});
    if (!result) {
        return false;
    }
    *held = PQntuples(result.get()) > 0;
    return true;
}

bool PgHistoryStore::inGroup() {
    if (!inGroup_) {
        if (!execute("BEGIN")) {
            return false;
        }
        inGroup_ = true;
        group_.start();
    }
    return true;
}

bool PgHistoryStore::record(const HistoryEvent* event, const HistoryFileId& file,
                            int64_t position) {
    if (!inGroup()) {
        return false;
    }
    const std::string inode = std::to_string(file.inode);
    const std::string size = std::to_string(file.size);
    const std::string at = std::to_string(position);
    Result result;
    if (event == nullptr) {
        result = run("advance", {station_.c_str(), file.name.c_str(), inode.c_str(), size.c_str(),
                                 at.c_str()});
    } else {
        const std::string desc(event->desc);
        const std::string bitmap(event->bitmap);
        const std::string video(event->video);
        const std::optional<std::string> picture = ReadEventPicture(bitmap);
        result = run("add",
                     {station_.c_str(), desc.c_str(), bitmap.c_str(),
                      video.empty() ? nullptr : video.c_str(), picture ? picture->data() : nullptr,
                      file.name.c_str(), inode.c_str(), size.c_str(), at.c_str()},
                     {0, 0, 0, 0, picture ? static_cast<int>(picture->size()) : 0, 0, 0, 0, 0},
                     {0, 0, 0, 0, 1, 0, 0, 0, 0});
    }
    if (!result) {
        // The transaction is lost with the failed statement; rows and
        // positions go back to the last commit together.
        const std::string reason = error_;
        abandonGroup();
        error_ = reason;
        return false;
    }
    if (event != nullptr) {
        rowAdded();
    }
    return group_.added() ? commit() : true;
}

bool PgHistoryStore::add(const HistoryEvent& event, const HistoryFileId& file, int64_t position) {
    return record(&event, file, position);
}

bool PgHistoryStore::advance(const HistoryFileId& file, int64_t position) {
    return record(nullptr, file, position);
}

bool PgHistoryStore::commit() {
    if (!inGroup_) {
        return true;
    }
    inGroup_ = false;
    if (!execute("COMMIT")) {
        groupUndone();
        return false;
    }
    groupCommitted();
    return true;
}

bool PgHistoryStore::forgetAllBut(const std::vector<std::string>& present) {
    const Result files = run("files", {station_.c_str()});
    if (!files) {
        return false;
    }
    for (int row = 0; row < PQntuples(files.get()); ++row) {
        const char* name = PQgetvalue(files.get(), row, 0);
        if (std::find(present.begin(), present.end(), name) == present.end() &&
            !run("forget", {station_.c_str(), name})) {
            return false;
        }
    }
    return true;
}

}  // namespace zelkor::eventdb
