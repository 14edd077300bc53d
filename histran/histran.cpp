#include "histran/histran.h"

#include <filesystem>
#include <system_error>

#include "eventdb/event_database.h"
#include "histran/translate.h"

namespace zelkor::histran {

HistranOutcome RunHistran(HistranContext& context) {
    const auto claim = context.instances.claim(kInstanceClass);
    if (!claim) {
        return HistranOutcome::AlreadyRunning;
    }
    const eventdb::ProductSettings settings =
        eventdb::ReadProductSettings(context.registry, context.programDirectory);
    if (!settings.useAccess) {
        return HistranOutcome::OptionOff;
    }
    std::string databasePath;
    if (!eventdb::ChooseDatabasePath(settings.workingDirectory, context.programDirectory,
                                     context.ui, kTitle, &databasePath)) {
        return HistranOutcome::NoDatabase;
    }
    const auto historyPath = FindFileIgnoringCase(settings.workingDirectory, kHistoryFileName);
    if (!historyPath) {
        context.ui.messageBox(kNoHistory, kTitle, platform::mb::OK | platform::mb::ICONHAND);
        return HistranOutcome::NoHistory;
    }
    eventdb::EventDatabase database;
    if (!eventdb::OpenEventDatabase(database, databasePath)) {
        context.ui.messageBox(kOpenFailed, kTitle, platform::mb::OK | platform::mb::ICONHAND);
        return HistranOutcome::OpenFailed;
    }
    const TranslationResult result = TranslateHistory(database.table, *historyPath);
    database.table.close();
    database.connection.close();
    // Events that did not reach the table stay in the file for the next run.
    if (!result.complete()) {
        return HistranOutcome::Incomplete;
    }
    std::error_code ec;
    return std::filesystem::remove(*historyPath, ec) ? HistranOutcome::Done
                                                     : HistranOutcome::NotDeleted;
}

}  // namespace zelkor::histran
