#include "eventdb/event_database.h"

#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "eventdb/connection_string.h"

namespace zelkor::eventdb {

ProductSettings ReadProductSettings(platform::Registry& registry,
                                    const std::string& programDirectory) {
    ProductSettings settings;
    settings.workingDirectory = programDirectory;
    const auto key = registry.openKey(kProductKey, platform::RegAccess::Read);
    if (!key) {
        return settings;
    }
    std::string workingDir;
    if (platform::queryText(*key, resources::kWorkingDirValue, kWorkingDirBufferSize,
                            &workingDir)) {
        settings.workingDirectory = workingDir;
    }
    uint32_t useAccess = 0;
    settings.useAccess =
        platform::queryNumber(*key, resources::kUseAccessValue, &useAccess) && useAccess != 0;
    std::string eventDatabase;
    if (platform::queryText(*key, resources::kEventDatabaseValue, resources::kEventDatabaseSize,
                            &eventDatabase)) {
        settings.eventDatabase = eventDatabase;
    }
    return settings;
}

std::string JoinPath(std::string_view directory, std::string_view name) {
    std::string path(directory);
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

bool ChooseDatabasePath(const std::string& workingDirectory, const std::string& programDirectory,
                        platform::Ui& ui, std::string_view title, std::string* path) {
    std::error_code ec;
    *path = JoinPath(workingDirectory, kDatabaseFileName);
    if (std::filesystem::is_regular_file(*path, ec)) {
        return true;
    }
    ui.messageBox(kDatabaseMissingMessage, title, platform::mb::OK);
    *path = JoinPath(programDirectory, kDatabaseFileName);
    if (std::filesystem::is_regular_file(*path, ec)) {
        return true;
    }
    ui.messageBox(kNoDatabaseMessage, title, platform::mb::OK | platform::mb::ICONHAND);
    return false;
}

bool OpenEventDatabase(EventDatabase& database, const std::string& databasePath) {
    for (const std::string_view provider : {kProvider351, kProvider40}) {
        database.table.close();
        database.display.close();
        if (database.connection.open(BuildConnectionString(provider, databasePath)) &&
            database.table.open(database.connection, kHistoryTable)) {
            return true;
        }
    }
    return false;
}

bool OpenDisplayRecordset(EventDatabase& database, const std::string& year) {
    database.display.close();
    if (year.empty()) {
        return database.display.open(database.connection, kDisplaySelect);
    }
    const std::string filtered =
        std::string(kDisplaySelect) + " where substr(Desc, 1, instr(Desc, '/') - 1) = ?";
    return database.display.open(database.connection, filtered, {year});
}

bool CreateEventDatabase(const std::string& path, std::string* error) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        *error = "The file '" + path + "' exists already.";
        return false;
    }
    const std::string temp = path + ".new" + std::to_string(getpid());
    std::filesystem::remove(temp, ec);
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    char* message = nullptr;
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db,
                          "PRAGMA journal_mode=WAL;"
                          "CREATE TABLE History (Desc TEXT, Bitmap TEXT, Video TEXT);",
                          nullptr, nullptr, &message);
    }
    if (rc != SQLITE_OK) {
        *error = message != nullptr ? message
                                    : (db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_free(message);
        sqlite3_close(db);
        std::filesystem::remove(temp, ec);
        return false;
    }
    // Closing checkpoints the log into the file, which then stands alone.
    sqlite3_close(db);
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        *error = "Cannot create '" + path + "': " + ec.message();
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

}  // namespace zelkor::eventdb
