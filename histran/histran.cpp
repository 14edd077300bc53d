#include "histran/histran.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "eventdb/database_location.h"
#include "eventdb/event_database.h"
#include "eventdb/history_store.h"
#include "eventdb/pg_history_store.h"
#include "histran/translate.h"
#include "platform/history_file.h"

namespace zelkor::histran {

namespace {

std::vector<std::string> fileNames(const std::vector<std::string>& paths) {
    std::vector<std::string> names;
    for (const auto& path : paths) {
        names.push_back(std::filesystem::path(path).filename().string());
    }
    return names;
}

void reportFailure(platform::Ui& ui, std::string_view what, const std::string& reason,
                   const std::string& kept) {
    std::string text(what);
    text += "\n" + reason;
    if (!kept.empty()) {
        text += "\nThe events not yet stored stay in " + kept + " for the next run.";
    }
    ui.messageBox(text, kTitle, platform::mb::OK | platform::mb::ICONHAND);
}

// The stores Histran may append through; the one the settings name is used.
struct Stores {
    eventdb::EventDatabase database;  // outlives the file store that uses it
    eventdb::HistoryStore file;
    eventdb::PgHistoryStore shared;
};

// Opens the event database: Done with `store` set, or the failure, reported.
HistranOutcome openStore(HistranContext& context, const eventdb::ProductSettings& settings,
                         const std::string& databasePath, Stores& stores,
                         eventdb::EventStore** store) {
    std::string reason;
    if (eventdb::ClassifyEventDatabase(settings.eventDatabase) == eventdb::DatabaseKind::Postgres) {
        *store = &stores.shared;
        if (stores.shared.open(settings.eventDatabase, context.station)) {
            return HistranOutcome::Done;
        }
        reason = stores.shared.error();
    } else {
        *store = &stores.file;
        eventdb::EventDatabase& database = stores.database;
        if (eventdb::OpenEventDatabase(database, databasePath)) {
            // Histran only appends: the table's snapshot of all row ids would
            // only cost memory.
            database.table.close();
            return HistranOutcome::Done;
        }
        // The fixed text names the driver as the cause; the database's own
        // reason (a full disk, a damaged file) is what the user can act on.
        reason =
            database.connection.isOpen() ? database.table.error() : database.connection.error();
    }
    context.ui.messageBox(std::string(kOpenFailed) + "\n" + reason, kTitle,
                          platform::mb::OK | platform::mb::ICONHAND);
    return HistranOutcome::OpenFailed;
}

}  // namespace

std::string SetAsideMessage(uint64_t lines, const std::string& unreadPath) {
    return std::to_string(lines) + (lines == 1 ? " line" : " lines") +
           " of the event log could not be read and " + (lines == 1 ? "was" : "were") +
           " moved to " + unreadPath + ".";
}

int HistranExitCode(HistranOutcome outcome) {
    switch (outcome) {
        case HistranOutcome::AlreadyRunning:
        case HistranOutcome::OptionOff:
        case HistranOutcome::Done:
            return 0;
        default:
            return 1;
    }
}

std::string SummaryLine(HistranOutcome outcome, const HistranSummary& summary) {
    const std::string appended = "Histran: " + std::to_string(summary.stored) +
                                 (summary.stored == 1 ? " event" : " events") + " appended to " +
                                 summary.databasePath;
    const std::string nothing = "Histran: nothing was done: ";
    switch (outcome) {
        case HistranOutcome::AlreadyRunning:
            return nothing + "another Histran is running.";
        case HistranOutcome::ClaimFailed:
            return nothing + "whether another Histran is running could not be told.";
        case HistranOutcome::OptionOff:
            return nothing + "the event database option USEACCESS is off or not set.";
        case HistranOutcome::UnknownDatabase:
            return nothing + "the event database setting EVENTDATABASE is not understood.";
        case HistranOutcome::NoDatabase:
            return nothing + "no event database was found.";
        case HistranOutcome::NoHistory:
            return nothing + "no history file in " + summary.workingDirectory + ".";
        case HistranOutcome::OpenFailed:
            return nothing + "the event database " + summary.databasePath + " could not be opened.";
        case HistranOutcome::NotTakenOver:
            return nothing + "the history file in " + summary.workingDirectory +
                   " could not be taken over.";
        case HistranOutcome::Incomplete:
            return appended + " before a failure; the rest waits for the next run.";
        case HistranOutcome::NotDeleted:
            return appended + "; a history file could not be deleted.";
        case HistranOutcome::Done:
            break;
    }
    return appended +
           (summary.found > 0 ? " (" + std::to_string(summary.found) + " already there)." : ".");
}

HistranOutcome RunHistran(HistranContext& context) {
    HistranSummary summary;
    return RunHistran(context, summary);
}

HistranOutcome RunHistran(HistranContext& context, HistranSummary& summary) {
    std::string claimError;
    const auto claim = context.instances.claim(context.instanceClass, &claimError);
    if (!claim && claimError.empty()) {
        return HistranOutcome::AlreadyRunning;
    }
    if (!claim) {
        context.ui.messageBox(claimError, kTitle, platform::mb::OK | platform::mb::ICONHAND);
        return HistranOutcome::ClaimFailed;
    }
    const eventdb::ProductSettings settings =
        eventdb::ReadProductSettings(context.registry, context.programDirectory);
    if (!settings.useAccess) {
        return HistranOutcome::OptionOff;
    }
    summary.workingDirectory = settings.workingDirectory;
    std::string& databasePath = summary.databasePath;
    switch (eventdb::ClassifyEventDatabase(settings.eventDatabase)) {
        case eventdb::DatabaseKind::Unknown:
            context.ui.messageBox(std::string(kUnknownDatabase) + "\n" +
                                      eventdb::MaskPassword(settings.eventDatabase),
                                  kTitle, platform::mb::OK | platform::mb::ICONHAND);
            return HistranOutcome::UnknownDatabase;
        case eventdb::DatabaseKind::Postgres:
            databasePath = eventdb::MaskPassword(settings.eventDatabase);
            break;
        case eventdb::DatabaseKind::File:
            if (!eventdb::ChooseDatabasePath(settings.workingDirectory, context.programDirectory,
                                             context.ui, kTitle, &databasePath)) {
                return HistranOutcome::NoDatabase;
            }
            break;
    }
    const std::string& directory = settings.workingDirectory;
    // Files taken over by a run that ended early come first, oldest first,
    // so their events keep their place before the newer ones.
    std::vector<std::string> files = platform::TakenHistoryFiles(directory);
    const auto historyPath = FindFileIgnoringCase(directory, kHistoryFileName);
    if (!historyPath && files.empty()) {
        context.ui.messageBox(kNoHistory, kTitle, platform::mb::OK | platform::mb::ICONHAND);
        return HistranOutcome::NoHistory;
    }
    Stores stores;
    eventdb::EventStore* opened = nullptr;
    if (const HistranOutcome outcome = openStore(context, settings, databasePath, stores, &opened);
        outcome != HistranOutcome::Done) {
        return outcome;
    }
    eventdb::EventStore& store = *opened;
    if ((opened == &stores.file && !stores.file.open(stores.database.connection)) ||
        !store.forgetAllBut(fileNames(files))) {
        reportFailure(context.ui, kStoreFailed, store.error(),
                      files.empty() ? historyPath.value_or("") : files.front());
        return HistranOutcome::Incomplete;
    }
    if (historyPath) {
        std::string error;
        const auto taken = platform::TakeOverHistoryFile(*historyPath, &error);
        if (!error.empty()) {
            reportFailure(context.ui, kTakeOverFailed, error, {});
            return HistranOutcome::NotTakenOver;
        }
        if (taken) {
            files.push_back(*taken);
        }
    }
    const std::string unreadPath = eventdb::JoinPath(directory, kUnreadFileName);
    uint64_t setAside = 0;
    HistranOutcome outcome = HistranOutcome::Done;
    for (const auto& file : files) {
        const TranslationResult result = TranslateHistory(store, file, unreadPath);
        setAside += result.setAside;
        summary.stored += result.stored;
        summary.found += result.found;
        if (!result.complete()) {
            reportFailure(context.ui, kStoreFailed, result.error, file);
            outcome = HistranOutcome::Incomplete;
            break;
        }
        std::error_code ec;
        if (!std::filesystem::remove(file, ec)) {
            outcome = HistranOutcome::NotDeleted;
        }
    }
    // Positions of deleted files are never looked up again, since every
    // taken file has a name of its own; should this fail, the next run
    // drops them.
    store.forgetAllBut(fileNames(platform::TakenHistoryFiles(directory)));
    if (setAside > 0) {
        context.ui.messageBox(SetAsideMessage(setAside, unreadPath), kTitle,
                              platform::mb::OK | platform::mb::ICONEXCLAMATION);
    }
    return outcome;
}

}  // namespace zelkor::histran
