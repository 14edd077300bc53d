#include "manage/manage.h"

#include "eventdb/database_location.h"
#include "eventdb/pg_tables.h"
#include "vorrak/resources/strings.h"

namespace zelkor::manage {

namespace {

ManageStart startShared(ManageContext& context, Manage& manage,
                        const eventdb::ProductSettings& settings) {
    manage.shared = std::make_unique<SharedEvents>();
    SharedEvents& shared = *manage.shared;
    shared.station = context.station;
    // A database no Histran has stored into yet is shown empty.
    const bool connected = shared.connection.open(settings.eventDatabase, "manage") &&
                           eventdb::CreateSharedTables(shared.connection);
    if (!connected || !shared.rows.open(shared.connection, {}, {})) {
        const std::string reason = connected ? shared.rows.error() : shared.connection.error();
        context.services.ui.messageBox(std::string(kSharedOpenFailed) + "\n" + reason,
                                       resources::kTitle, platform::mb::ICONHAND);
        return ManageStart::OpenFailed;
    }
    manage.window = std::make_unique<VrakQuery>(manage.database, context.services,
                                                settings.workingDirectory, &shared);
    manage.window->show();
    return ManageStart::Shown;
}

}  // namespace

ManageStart StartManage(ManageContext& context, Manage& manage) {
    platform::Ui& ui = context.services.ui;
    std::string claimError;
    manage.claim = context.instances.claim(context.instanceClass, &claimError);
    if (!manage.claim && claimError.empty()) {
        ui.messageBox(kAlreadyRunning, resources::kTitle, platform::mb::OK);
        return ManageStart::AlreadyRunning;
    }
    if (!manage.claim) {
        ui.messageBox(claimError, resources::kTitle, platform::mb::ICONHAND);
        return ManageStart::ClaimFailed;
    }
    const eventdb::ProductSettings settings =
        eventdb::ReadProductSettings(context.registry, context.programDirectory);
    switch (eventdb::ClassifyEventDatabase(settings.eventDatabase)) {
        case eventdb::DatabaseKind::Unknown:
            ui.messageBox(std::string(eventdb::kUnknownDatabase) + "\n" +
                              eventdb::MaskPassword(settings.eventDatabase),
                          resources::kTitle, platform::mb::ICONHAND);
            return ManageStart::NoDatabase;
        case eventdb::DatabaseKind::Postgres:
            return startShared(context, manage, settings);
        case eventdb::DatabaseKind::File:
            break;
    }
    std::string databasePath;
    if (!eventdb::ChooseDatabasePath(settings.workingDirectory, context.programDirectory, ui,
                                     resources::kTitle, &databasePath)) {
        return ManageStart::NoDatabase;
    }
    if (!eventdb::OpenEventDatabase(manage.database, databasePath)) {
        if (settings.useAccess) {
            ui.messageBox(kOpenFailedOptionOn, resources::kTitle, platform::mb::ICONHAND);
        } else {
            ui.messageBox(kOpenFailedOptionOff, resources::kTitle, platform::mb::OK);
        }
        return ManageStart::OpenFailed;
    }
    // Without its rows the window has nothing to show: say why and end.
    if (!eventdb::OpenDisplayRecordset(manage.database)) {
        ui.messageBox(manage.database.display.error(), kProgramTitle, platform::mb::OK);
        return ManageStart::DisplayFailed;
    }
    manage.window =
        std::make_unique<VrakQuery>(manage.database, context.services, settings.workingDirectory);
    manage.window->show();
    return ManageStart::Shown;
}

}  // namespace zelkor::manage
