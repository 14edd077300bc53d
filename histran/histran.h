#pragma once
// The Histran program: moves the events of the history file into the event
// database, then deletes the file.

#include <string>
#include <string_view>

#include "platform/instance.h"
#include "platform/registry.h"
#include "platform/ui.h"

namespace zelkor::histran {

inline constexpr std::string_view kInstanceClass = "ZelkorHistran";
inline constexpr std::string_view kTitle = "Zelkor Oculara - Event Log Translation";

inline constexpr std::string_view kNoHistory =
    "No data record is found for appending to Database...";
inline constexpr std::string_view kOpenFailed =
    "Error occured while opening Oculara Error Log Database ...\nPlease install Microsoft ACCESS "
    "or ACCESS ODBC driver. ";

// What the process has to work with; main builds the real ones.
struct HistranContext {
    platform::Registry& registry;
    platform::Ui& ui;
    platform::Instances& instances;
    std::string programDirectory;
};

enum class HistranOutcome {
    AlreadyRunning,
    OptionOff,
    NoDatabase,
    NoHistory,
    OpenFailed,
    Incomplete,  // some events could not be stored: the history file is kept
    Done,        // every event is in the table and the history file is gone
    NotDeleted,  // every event is in the table but the file could not be deleted
};

HistranOutcome RunHistran(HistranContext& context);

}  // namespace zelkor::histran
