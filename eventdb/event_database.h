#pragma once
// The event database shared by Histran and manage: the settings both read,
// the file Vrak.mdb with its table History, and how both open it.

#include <cstdint>
#include <string>
#include <string_view>

#include "eventdb/connection.h"
#include "eventdb/recordset.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "vorrak/resources/strings.h"

namespace zelkor::eventdb {

using resources::kProductKey;
// WORKINGDIR is read into this many bytes, its terminating zero included.
inline constexpr uint32_t kWorkingDirBufferSize = 255;
using resources::kDatabaseFileName;
inline constexpr std::string_view kHistoryTable = "History";
inline constexpr std::string_view kDisplaySelect = "select Desc,Bitmap,Video from History";
// The columns of table History.
inline constexpr const char* kDescColumn = "Desc";
inline constexpr const char* kBitmapColumn = "Bitmap";
inline constexpr const char* kVideoColumn = "Video";

// The database-place messages both programs show, each in its own title.
inline constexpr std::string_view kDatabaseMissingMessage =
    "The database file is not exist...\nSystem use default database";
inline constexpr std::string_view kNoDatabaseMessage =
    "System error, no valid database file is found...\nInstall is not completely...";

struct ProductSettings {
    std::string workingDirectory;
    bool useAccess = false;     // the database option
    std::string eventDatabase;  // EVENTDATABASE: empty for Vrak.mdb
};

// Missing or unreadable values fall back without a message: the working
// directory to `programDirectory`, the database option to off, the event
// database to Vrak.mdb.
ProductSettings ReadProductSettings(platform::Registry& registry,
                                    const std::string& programDirectory);

// `directory` + separator + `name`.
std::string JoinPath(std::string_view directory, std::string_view name);

// Vrak.mdb in the working directory, else (after saying so) the one beside
// the program; false, after the second message, when neither exists.
bool ChooseDatabasePath(const std::string& workingDirectory, const std::string& programDirectory,
                        platform::Ui& ui, std::string_view title, std::string* path);

struct EventDatabase {
    Connection connection;
    Recordset table;    // table History, opened by OpenEventDatabase
    Recordset display;  // the browsing window's rows
};

// Opens the connection (first provider, then the second) and the table
// recordset. A connection the first provider opened stays open, so when
// only the table fails to open the second attempt fails too.
bool OpenEventDatabase(EventDatabase& database, const std::string& databasePath);

// Opens the display recordset on the unfiltered select, or on the events of
// one year (the text before the first '/' of Desc) when `year` is not empty.
bool OpenDisplayRecordset(EventDatabase& database, const std::string& year = {});

// Writes a new, empty event database at `path`; refuses to replace a file
// that exists. The file appears whole or not at all.
bool CreateEventDatabase(const std::string& path, std::string* error);

}  // namespace zelkor::eventdb
