#pragma once
// Alarm actions: starting the companion programs (setup wizard, Histran,
// dialer, mailer), the picture viewer and the user's alarm program, watching
// the companions that must not run twice, and the warning sound. Vorrak
// never waits for a program it starts.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/process.h"
#include "platform/sound.h"
#include "platform/ui.h"

namespace zelkor::vorrak {

// The companions' program files in the program folder.
constexpr std::string_view kSetupWizardProgram = "VrakSetup";
constexpr std::string_view kHistranProgram = "Histran";
constexpr std::string_view kDialerProgram = "dial";
constexpr std::string_view kMailerProgram = "email";

// Message boxes of failed or refused starts.
constexpr std::string_view kSetupWizardFailedMessage = "Error Executing Setup Wizard...";
constexpr std::string_view kHistranFailedMessage = "Error Executing Error Log Translation ...";
constexpr std::string_view kDialerRunningMessage =
    "Another Dial procedure is executing...\nYou cann't run Zelkor Dial now...";
constexpr std::string_view kDialerFailedMessage = "Error Executing Zelkor Dial...";
constexpr std::string_view kMailerRunningMessage =
    "Another Sending Mail procedure is executing...\nYou cann't run Zelkor Dial now...";
constexpr std::string_view kMailerFailedMessage = "Error Executeing Zelkor EMail...";
constexpr std::string_view kViewerFailedMessage =
    "Error Executing Picture Viewer Program...\nPlease Set your Picture Viewer Program Again.";

// What the event's description keeps of a dialer or mailer that did not start.
constexpr std::string_view kDialerRunningNote =
    " #Error:Another error dialing is running, this call will be ignored....";
constexpr std::string_view kDialerFailedNote = " #Error:Zelkor Dial running error....";
constexpr std::string_view kMailerRunningNote =
    " #Error : Another warning message is sending, this mail will be ignored....";
constexpr std::string_view kMailerFailedNote = " #Error:Zelkor EMail execute error....";

// The dialer's and mailer's failures are shown only when their start came
// from the Tracing Menu, that is with this PROCESSSTYLE; otherwise nobody
// may be at the screen and the event's description is the only record.
constexpr uint32_t kProcessStyleTracingMenu = 1;

// The wave resource of the warning sound, and the beep that stands in for it
// when the sound is switched off.
constexpr uint32_t kWarningSoundResource = 188;
constexpr uint32_t kWarningBeepHz = 1000;
constexpr uint32_t kWarningBeepMs = 3000;

// The last start of each companion that must not run twice; empty until
// the first start.
struct Companions {
    std::unique_ptr<platform::ChildProcess> setupWizard;
    std::unique_ptr<platform::ChildProcess> dialer;
    std::unique_ptr<platform::ChildProcess> mailer;
};

// Where a failure that shows only once a program has ended is noted, as
// far as the event it was started for is still at hand: a non-zero end of
// the dialer, the mailer or the alarm program, as " #Error:Zelkor Dial
// exit code 2....", " #Error:Zelkor EMail exit code 2...." or " #Error:Alarm
// Program <its command line> exit code 2....". Every note, those of refused
// and failed starts included, also goes to stderr.
using LateNote = std::function<void(std::string_view note)>;

struct AlarmServices {
    platform::Processes& processes;
    platform::Ui& ui;
    platform::Sound& sound;
    LateNote lateNote = {};
    // The station Vorrak guards (empty: the default one). Every companion is
    // started with "--station NAME" so that it works on that station's store.
    std::string station = {};
};

// 1 when nothing was started yet or the last start has ended; 0 while it
// runs (its exit code reads STILL_ACTIVE, so a program that ends with 259
// counts as running) or when its state cannot be read.
int SetupWizardDone(Companions& companions);
int DialerDone(Companions& companions);
int MailerDone(Companions& companions);

// Each launcher returns nonzero when the program was started, 0 otherwise.
// A failed start keeps the record of the previous one. The command lines
// shown are the default station's; a named station's carry "--station NAME"
// right after the program.

// Starts "VrakSetup " when the last setup wizard has ended or `force` is
// nonzero; otherwise starts nothing.
int LaunchSetupWizard(Companions& companions, AlarmServices& services,
                      const std::string& programDir, uint32_t force);

// Starts "Histran " when the database option `useAccess` is on and this run
// raised at least one event: with nothing new there is nothing to store.
int LaunchHistran(AlarmServices& services, const std::string& programDir, uint32_t useAccess,
                  uint32_t eventNumber);

// Start the dialer ("dial N") or the mailer ("email N"), N = `eventNumber`
// when `withEvent` is nonzero, else with no argument, unless the last one
// still runs. `eventNumber` is the event the start belongs to (0: none). A
// refused or failed start appends its note to `description` (within the
// event description's field) and shows its box only when `processStyle` is
// kProcessStyleTracingMenu. A started one that ends with a non-zero code
// is noted through `services.lateNote`.
int LaunchDialer(Companions& companions, AlarmServices& services, const std::string& programDir,
                 uint32_t withEvent, uint32_t eventNumber, uint32_t processStyle,
                 std::string& description);
int LaunchMailer(Companions& companions, AlarmServices& services, const std::string& programDir,
                 uint32_t withEvent, uint32_t eventNumber, uint32_t processStyle,
                 std::string& description);

// Starts `viewer` (VIEWERFILENAME, as it stands: a path with blanks still
// starts) with `path` in double quotes.
int ShowPicture(AlarmServices& services, const std::string& viewer, const std::string& path);

// Starts the user's alarm program (EXECUTEFILENAME) as it stands for event
// `eventNumber`. The event goes on without it when it fails: a failed start
// is noted in `description`, a non-zero exit through `services.lateNote`;
// no box is shown, nobody may be at the screen.
int LaunchAlarmProgram(AlarmServices& services, const std::string& commandLine,
                       uint32_t eventNumber, std::string& description);

// Plays the warning sound once, from memory, without waiting; a new one
// restarts it. 1 when it started; 0 for any resource but
// kWarningSoundResource or when it cannot be played.
int PlayWarningSound(platform::Sound& sound, uint32_t resource);

// The beep of a detection while the warning sound is switched off.
void WarningBeep(platform::Sound& sound);

}  // namespace zelkor::vorrak
