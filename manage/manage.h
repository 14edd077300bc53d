#pragma once
// manage's start-up: one instance, the settings, the database place, the
// database, then the window.

#include <memory>
#include <string>

#include "eventdb/event_database.h"
#include "manage/vrak_query.h"
#include "platform/instance.h"
#include "platform/registry.h"

namespace zelkor::manage {

inline constexpr std::string_view kInstanceClass = "ZelkorManage";
inline constexpr std::string_view kAlreadyRunning =
    "You cannot run Oculara Data Log Management simultaneously";
inline constexpr std::string_view kOpenFailedOptionOn =
    "Error occured while Opeing Oculara error log database...\nPlease install Microsoft ACCESS "
    "97 or above version. ";
inline constexpr std::string_view kOpenFailedOptionOff =
    "You didn't enable Error Log Management fuction...\nPlease run setup wizard and enable it...";
// Followed by the server's reason, its password hidden.
inline constexpr std::string_view kSharedOpenFailed =
    "Error occured while opening the shared Oculara event database...";

struct ManageContext {
    platform::Registry& registry;
    platform::Instances& instances;
    ManageServices services;
    std::string programDirectory;
    // One manage per station, each on its station's database.
    std::string instanceClass = std::string(kInstanceClass);
    // This PC's station: in a database several stations share, only its
    // events' files are here.
    std::string station = {};
};

enum class ManageStart {
    AlreadyRunning,
    ClaimFailed,
    NoDatabase,
    OpenFailed,
    DisplayFailed,
    Shown
};

// Everything a running manage holds; the window is shown when start-up
// succeeds and the program runs until it is closed.
struct Manage {
    std::unique_ptr<platform::InstanceClaim> claim;
    eventdb::EventDatabase database;
    std::unique_ptr<SharedEvents> shared;  // when EVENTDATABASE names a server
    std::unique_ptr<VrakQuery> window;
};

ManageStart StartManage(ManageContext& context, Manage& manage);

}  // namespace zelkor::manage
