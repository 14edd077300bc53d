#pragma once
// The Histran program: moves the events of the history file into the event
// database, then deletes the file.

#include <cstdint>
#include <string>
#include <string_view>

#include "eventdb/database_location.h"
#include "platform/instance.h"
#include "platform/registry.h"
#include "platform/ui.h"

namespace zelkor::histran {

inline constexpr std::string_view kInstanceClass = "ZelkorHistran";
inline constexpr std::string_view kTitle = "Zelkor Oculara - Event Log Translation";

inline constexpr std::string_view kNoHistory =
    "No data record is found for appending to Database...";
// Followed by the database's reason on a line of its own.
inline constexpr std::string_view kOpenFailed =
    "Error occured while opening Oculara Error Log Database ...\nPlease install Microsoft ACCESS "
    "or ACCESS ODBC driver. ";
// Followed by the database's or the file system's reason and where the
// events that were not stored wait for the next run.
inline constexpr std::string_view kStoreFailed =
    "Error occured while appending to Oculara Error Log Database ...";
using eventdb::kUnknownDatabase;
inline constexpr std::string_view kTakeOverFailed =
    "Error occured while taking over the event log ...";

// What the process has to work with; main builds the real ones.
struct HistranContext {
    platform::Registry& registry;
    platform::Ui& ui;
    platform::Instances& instances;
    std::string programDirectory;
    // One Histran per station: each station empties its own history file.
    std::string instanceClass = std::string(kInstanceClass);
    // Whose events these are, in an event database several stations share.
    std::string station = {};
};

enum class HistranOutcome {
    AlreadyRunning,
    ClaimFailed,  // whether another copy runs could not be told: reported
    OptionOff,
    UnknownDatabase,  // EVENTDATABASE names no database Histran knows
    NoDatabase,
    NoHistory,
    OpenFailed,
    NotTakenOver,  // the history file could not be taken over: it stays as it is
    Incomplete,    // storing stopped at a failure: the rest of the file is kept
    Done,          // every event is in the table and the history file is gone
    NotDeleted,    // every event is in the table but a file could not be deleted
};

// What a run got to, for the line that reports it.
struct HistranSummary {
    uint64_t stored = 0;       // rows added
    uint64_t found = 0;        // events the table held already
    std::string databasePath;  // or the connection URI, its password hidden
    std::string workingDirectory;
};

HistranOutcome RunHistran(HistranContext& context, HistranSummary& summary);
HistranOutcome RunHistran(HistranContext& context);

// One line for whoever started Histran from a terminal: how many events
// went where, or why nothing was done. The boxes stay as they are.
std::string SummaryLine(HistranOutcome outcome, const HistranSummary& summary);

// 0 when the run did what it had to or had nothing to do, 1 after a failure.
int HistranExitCode(HistranOutcome outcome);

// The message that says how many lines were set aside in `unreadPath`.
std::string SetAsideMessage(uint64_t lines, const std::string& unreadPath);

}  // namespace zelkor::histran
