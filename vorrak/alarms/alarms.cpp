#include "vorrak/alarms/alarms.h"

#include <cstdio>
#include <utility>

#include "vorrak/alarms/warning_wave.h"
#include "vorrak/detection/guard_state.h"
#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {

namespace {

// The names that notes give the dialer, the mailer and the alarm program.
constexpr std::string_view kDialerName = "Zelkor Dial";
constexpr std::string_view kMailerName = "Zelkor EMail";
constexpr std::string_view kAlarmProgramName = "Alarm Program";

// What tells the dialer's and the mailer's refused and failed starts apart.
struct NotifierTexts {
    std::string_view program;
    std::string_view name;
    std::string_view runningMessage;
    std::string_view runningNote;
    std::string_view failedMessage;
    std::string_view failedNote;
};

constexpr NotifierTexts kDialerTexts{kDialerProgram,        kDialerName,
                                     kDialerRunningMessage, kDialerRunningNote,
                                     kDialerFailedMessage,  kDialerFailedNote};
constexpr NotifierTexts kMailerTexts{kMailerProgram,        kMailerName,
                                     kMailerRunningMessage, kMailerRunningNote,
                                     kMailerFailedMessage,  kMailerFailedNote};

// Brackets delimit the fields of the history line, so a note keeps none.
std::string WithoutBrackets(std::string_view text) {
    std::string kept(text);
    for (char& c : kept) {
        if (c == '[') {
            c = '(';
        } else if (c == ']') {
            c = ')';
        }
    }
    return kept;
}

std::string ExitNote(std::string_view name, uint32_t code) {
    return " #Error:" + WithoutBrackets(name) + " exit code " + std::to_string(code) + "....";
}

std::string AlarmProgramFailedNote(std::string_view commandLine) {
    return " #Error:" + std::string(kAlarmProgramName) + " " + WithoutBrackets(commandLine) +
           " execute error....";
}

// Nobody may be at the screen, and the description is cut to its field:
// every note also goes to stderr, whole.
void TellStderr(uint32_t eventNumber, std::string_view note) {
    if (eventNumber != 0) {
        std::fprintf(stderr, "Vorrak: event %u:%.*s\n", unsigned(eventNumber), int(note.size()),
                     note.data());
    } else {
        std::fprintf(stderr, "Vorrak:%.*s\n", int(note.size()), note.data());
    }
}

void Note(std::string& description, uint32_t eventNumber, std::string_view note) {
    AppendEventText(description, note);
    TellStderr(eventNumber, note);
}

// A program that ends with a non-zero code has failed at its job; that
// shows only once it has ended, long after its start may have returned.
void NoteFailedExit(platform::ChildProcess& child, const AlarmServices& services,
                    uint32_t eventNumber, std::string name) {
    child.whenEnded(
        [lateNote = services.lateNote, eventNumber, name = std::move(name)](uint32_t code) {
            if (code == 0) {
                return;
            }
            const std::string note = ExitNote(name, code);
            TellStderr(eventNumber, note);
            if (lateNote) {
                lateNote(note);
            }
        });
}

int Done(const std::unique_ptr<platform::ChildProcess>& record) {
    if (!record) {
        return 1;
    }
    const auto code = record->exitCode();
    return code && *code != platform::STILL_ACTIVE ? 1 : 0;
}

void ShowError(platform::Ui& ui, std::string_view message) {
    ui.messageBox(message, resources::kTitle, platform::mb::ICONHAND | platform::mb::TOPMOST);
}

// The program's path, followed by the station it is to serve, if any.
std::string CompanionCommand(const AlarmServices& services, const std::string& programDir,
                             std::string_view program) {
    std::string commandLine = programDir + "/" + std::string(program);
    if (!services.station.empty()) {
        commandLine += " --station " + services.station;
    }
    return commandLine;
}

// Keeps the previous record when the start fails: the monitor must still
// see a companion that runs. The new record, or null.
platform::ChildProcess* StartMonitored(std::unique_ptr<platform::ChildProcess>& record,
                                       platform::Processes& processes,
                                       const std::string& commandLine) {
    auto child = processes.start(commandLine);
    if (!child) {
        return nullptr;
    }
    record = std::move(child);
    return record.get();
}

int LaunchNotifier(std::unique_ptr<platform::ChildProcess>& record, const NotifierTexts& texts,
                   AlarmServices& services, const std::string& programDir, uint32_t withEvent,
                   uint32_t eventNumber, uint32_t processStyle, std::string& description) {
    const bool tell = processStyle == kProcessStyleTracingMenu;
    if (!Done(record)) {
        if (tell) {
            ShowError(services.ui, texts.runningMessage);
        }
        Note(description, eventNumber, texts.runningNote);
        return 0;
    }
    std::string commandLine = CompanionCommand(services, programDir, texts.program);
    if (withEvent != 0) {
        commandLine += " " + std::to_string(eventNumber);
    }
    if (auto* child = StartMonitored(record, services.processes, commandLine)) {
        NoteFailedExit(*child, services, eventNumber, std::string(texts.name));
        return 1;
    }
    if (tell) {
        ShowError(services.ui, texts.failedMessage);
    }
    Note(description, eventNumber, texts.failedNote);
    return 0;
}

}  // namespace

int SetupWizardDone(Companions& companions) {
    return Done(companions.setupWizard);
}

int DialerDone(Companions& companions) {
    return Done(companions.dialer);
}

int MailerDone(Companions& companions) {
    return Done(companions.mailer);
}

int LaunchSetupWizard(Companions& companions, AlarmServices& services,
                      const std::string& programDir, uint32_t force) {
    if (force == 0 && !SetupWizardDone(companions)) {
        return 0;
    }
    // The trailing blank is part of the command line the wizard has always
    // been given.
    const std::string commandLine =
        CompanionCommand(services, programDir, kSetupWizardProgram) + " ";
    if (StartMonitored(companions.setupWizard, services.processes, commandLine)) {
        return 1;
    }
    ShowError(services.ui, kSetupWizardFailedMessage);
    return 0;
}

int LaunchHistran(AlarmServices& services, const std::string& programDir, uint32_t useAccess,
                  uint32_t eventNumber) {
    if (useAccess == 0 || eventNumber == 0) {
        return 0;
    }
    if (services.processes.start(CompanionCommand(services, programDir, kHistranProgram) + " ")) {
        return 1;
    }
    ShowError(services.ui, kHistranFailedMessage);
    return 0;
}

int LaunchDialer(Companions& companions, AlarmServices& services, const std::string& programDir,
                 uint32_t withEvent, uint32_t eventNumber, uint32_t processStyle,
                 std::string& description) {
    return LaunchNotifier(companions.dialer, kDialerTexts, services, programDir, withEvent,
                          eventNumber, processStyle, description);
}

int LaunchMailer(Companions& companions, AlarmServices& services, const std::string& programDir,
                 uint32_t withEvent, uint32_t eventNumber, uint32_t processStyle,
                 std::string& description) {
    return LaunchNotifier(companions.mailer, kMailerTexts, services, programDir, withEvent,
                          eventNumber, processStyle, description);
}

int ShowPicture(AlarmServices& services, const std::string& viewer, const std::string& path) {
    if (services.processes.start(viewer + " \"" + path + "\"")) {
        return 1;
    }
    // This box alone has no title and a plain OK button.
    services.ui.messageBox(kViewerFailedMessage, "", platform::mb::OK);
    return 0;
}

int LaunchAlarmProgram(AlarmServices& services, const std::string& commandLine,
                       uint32_t eventNumber, std::string& description) {
    const auto child = services.processes.start(commandLine);
    if (!child) {
        Note(description, eventNumber, AlarmProgramFailedNote(commandLine));
        return 0;
    }
    NoteFailedExit(*child, services, eventNumber,
                   std::string(kAlarmProgramName) + " " + commandLine);
    return 1;
}

int PlayWarningSound(platform::Sound& sound, uint32_t resource) {
    if (resource != kWarningSoundResource) {
        return 0;
    }
    return sound.playWave(WarningWave()) ? 1 : 0;
}

void WarningBeep(platform::Sound& sound) {
    sound.beep(kWarningBeepHz, kWarningBeepMs);
}

}  // namespace zelkor::vorrak
