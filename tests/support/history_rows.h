#pragma once
// Reading the event database's History table from a test, through a
// connection of its own, as any other reader would.

#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace zelkor::testing {

// The rows of History, or -2 when two rows agree in all of `columns` (a
// comma-separated list, e.g. "Desc, Bitmap"); -1 when it cannot be read.
inline int64_t countDistinctRows(const std::string& db, const std::string& columns) {
    sqlite3* raw = nullptr;
    int64_t n = -1;
    if (sqlite3_open_v2(db.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(raw, 5000);
        sqlite3_stmt* stmt = nullptr;
        const std::string query = "SELECT count(*), (SELECT count(*) FROM (SELECT DISTINCT " +
                                  columns + " FROM History)) FROM History";
        if (sqlite3_prepare_v2(raw, query.c_str(), -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW) {
            n = sqlite3_column_int64(stmt, 0) == sqlite3_column_int64(stmt, 1)
                    ? sqlite3_column_int64(stmt, 0)
                    : -2;
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(raw);
    return n;
}

}  // namespace zelkor::testing
