#pragma once
// Runs SQL on an event database through a connection of its own, as
// another program would.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

namespace zelkor::testing {

inline void execSql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK)
        << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
}

}  // namespace zelkor::testing
