#pragma once
// Event databases of a given size for the benchmarks.

#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "eventdb/event_database.h"

namespace zelkor::bench {

inline std::string benchDir() {
    const auto dir =
        std::filesystem::temp_directory_path() / ("zelkor-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    return dir.string();
}

// Vrak.mdb at `path` holding `rows` events "<prefix><i>".
inline bool makeDatabase(const std::string& path, int rows, const std::string& prefix) {
    std::filesystem::remove(path);
    std::string error;
    if (!eventdb::CreateEventDatabase(path, &error)) {
        return false;
    }
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO History VALUES (?, ?, ?)", -1, &insert, nullptr);
    for (int i = 0; i < rows; ++i) {
        const std::string desc = prefix + std::to_string(i);
        const std::string bitmap =
            "/home/user/work/2003.4.5_1.2.3/error" + std::to_string(i) + ".bmp";
        sqlite3_bind_text(insert, 1, desc.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, bitmap.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_null(insert, 3);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    const bool ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

}  // namespace zelkor::bench
