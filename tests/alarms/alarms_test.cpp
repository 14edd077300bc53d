// The launchers and monitors against recorded program starts: what each
// start is asked for, when it is refused, and what a failure tells whom.
#include "vorrak/alarms/alarms.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/fake/recording_processes.h"
#include "platform/fake/recording_sound.h"
#include "platform/fake/recording_ui.h"
#include "vorrak/detection/guard_state.h"

namespace zelkor::vorrak {
namespace {

using platform::RecordingProcesses;
using platform::STILL_ACTIVE;
using Strings = std::vector<std::string>;

constexpr uint32_t kErrorBox = platform::mb::ICONHAND | platform::mb::TOPMOST;
const std::string kDir = "/opt/oculara";

class AlarmsTest : public ::testing::Test {
  protected:
    RecordingProcesses processes;
    platform::RecordingUi ui;
    platform::RecordingSound sound;
    AlarmServices services{processes, ui, sound};
    Companions companions;
};

TEST_F(AlarmsTest, EachLauncherStartsItsExactCommandLine) {
    std::string description;
    EXPECT_NE(LaunchSetupWizard(companions, services, kDir, 0), 0);
    EXPECT_NE(LaunchHistran(services, kDir, 1, 3), 0);
    EXPECT_NE(LaunchDialer(companions, services, kDir, 1, 17, 0, description), 0);
    EXPECT_NE(LaunchMailer(companions, services, kDir, 1, 17, 0, description), 0);
    processes.children[2]->exitCode = 0;
    processes.children[3]->exitCode = 0;
    EXPECT_NE(LaunchDialer(companions, services, kDir, 0, 17, 0, description), 0);
    EXPECT_NE(LaunchMailer(companions, services, kDir, 0, 17, 0, description), 0);
    EXPECT_NE(ShowPicture(services, "/opt/My Viewer/view", "/var/ev/manual 3.bmp"), 0);
    EXPECT_NE(
        LaunchAlarmProgram(services, "/usr/local/bin/siren --room \"hall 2\"", 17, description), 0);

    EXPECT_EQ(processes.commandLines,
              (Strings{"/opt/oculara/VrakSetup ", "/opt/oculara/Histran ", "/opt/oculara/dial 17",
                       "/opt/oculara/email 17", "/opt/oculara/dial", "/opt/oculara/email",
                       "/opt/My Viewer/view \"/var/ev/manual 3.bmp\"",
                       "/usr/local/bin/siren --room \"hall 2\""}));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(description.empty());
    EXPECT_TRUE(sound.requests.empty());
}

TEST_F(AlarmsTest, AStationsCompanionsWorkOnItsStore) {
    services.station = "gate-2";
    std::string description;
    LaunchSetupWizard(companions, services, kDir, 0);
    LaunchHistran(services, kDir, 1, 3);
    LaunchDialer(companions, services, kDir, 1, 17, 0, description);
    LaunchMailer(companions, services, kDir, 0, 17, 0, description);
    EXPECT_EQ(processes.commandLines, (Strings{"/opt/oculara/VrakSetup --station gate-2 ",
                                               "/opt/oculara/Histran --station gate-2 ",
                                               "/opt/oculara/dial --station gate-2 17",
                                               "/opt/oculara/email --station gate-2"}));
}

TEST_F(AlarmsTest, MonitorsReadTheLastStartsEndState) {
    EXPECT_EQ(SetupWizardDone(companions), 1);  // nothing started yet
    EXPECT_EQ(DialerDone(companions), 1);
    EXPECT_EQ(MailerDone(companions), 1);

    std::string description;
    LaunchSetupWizard(companions, services, kDir, 0);
    LaunchDialer(companions, services, kDir, 1, 1, 0, description);
    LaunchMailer(companions, services, kDir, 1, 1, 0, description);
    ASSERT_EQ(processes.children.size(), 3u);
    // Each monitor reads its own companion only.
    const std::vector<std::function<int()>> monitors = {[&] { return SetupWizardDone(companions); },
                                                        [&] { return DialerDone(companions); },
                                                        [&] { return MailerDone(companions); }};
    for (size_t i = 0; i < monitors.size(); ++i) {
        auto& child = *processes.children[i];
        SCOPED_TRACE(child.commandLine);
        EXPECT_EQ(monitors[i](), 0);  // running
        child.exitCode = std::nullopt;
        EXPECT_EQ(monitors[i](), 0);  // unreadable counts as running
        child.exitCode = 3;
        EXPECT_EQ(monitors[i](), 1);  // ended, whatever its code
        for (size_t j = i + 1; j < monitors.size(); ++j) {
            EXPECT_EQ(monitors[j](), 0);
        }
    }
    // A program that ends with the still-running code cannot be told from
    // one that runs.
    processes.children[1]->exitCode = STILL_ACTIVE;
    EXPECT_EQ(DialerDone(companions), 0);
}

TEST_F(AlarmsTest, SetupWizardRunsOnceUnlessForced) {
    ASSERT_NE(LaunchSetupWizard(companions, services, kDir, 0), 0);
    EXPECT_EQ(LaunchSetupWizard(companions, services, kDir, 0), 0);
    EXPECT_EQ(processes.commandLines.size(), 1u);
    EXPECT_TRUE(ui.boxes.empty());  // a refused start is no failure

    ASSERT_NE(LaunchSetupWizard(companions, services, kDir, 1), 0);
    ASSERT_EQ(processes.children.size(), 2u);
    EXPECT_TRUE(processes.children[0]->released);  // the new start replaced it
    EXPECT_EQ(SetupWizardDone(companions), 0);
    processes.finishLast(0);
    EXPECT_EQ(SetupWizardDone(companions), 1);
    EXPECT_NE(LaunchSetupWizard(companions, services, kDir, 0), 0);
}

TEST_F(AlarmsTest, FailedStartsShowTheirBoxAndKeepThePreviousRecord) {
    ASSERT_NE(LaunchSetupWizard(companions, services, kDir, 0), 0);
    processes.script.push_back({false, STILL_ACTIVE});
    EXPECT_EQ(LaunchSetupWizard(companions, services, kDir, 1), 0);
    ASSERT_EQ(processes.children.size(), 1u);
    EXPECT_FALSE(processes.children[0]->released);
    EXPECT_EQ(SetupWizardDone(companions), 0);  // still watched
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Error Executing Setup Wizard...");
    EXPECT_EQ(ui.boxes[0].title, "Zelkor Oculara");
    EXPECT_EQ(ui.boxes[0].style, kErrorBox);

    processes.defaultOutcome.starts = false;
    EXPECT_EQ(LaunchHistran(services, kDir, 1, 1), 0);
    EXPECT_EQ(ShowPicture(services, "/usr/bin/view", "/var/ev/manual1.bmp"), 0);
    std::string description = "Event 1";
    EXPECT_EQ(LaunchAlarmProgram(services, "/usr/local/bin/siren", 1, description), 0);  // no box
    EXPECT_EQ(description, "Event 1 #Error:Alarm Program /usr/local/bin/siren execute error....");
    ASSERT_EQ(ui.boxes.size(), 3u);
    EXPECT_EQ(ui.boxes[1].text, "Error Executing Error Log Translation ...");
    EXPECT_EQ(ui.boxes[1].title, "Zelkor Oculara");
    EXPECT_EQ(ui.boxes[1].style, kErrorBox);
    EXPECT_EQ(ui.boxes[2].text,
              "Error Executing Picture Viewer Program...\nPlease Set your Picture Viewer Program "
              "Again.");
    EXPECT_EQ(ui.boxes[2].title, "");
    EXPECT_EQ(ui.boxes[2].style, platform::mb::OK);
}

TEST_F(AlarmsTest, HistranOnlyWithTheDatabaseOptionAndEvents) {
    EXPECT_EQ(LaunchHistran(services, kDir, 1, 0), 0);
    EXPECT_EQ(LaunchHistran(services, kDir, 0, 5), 0);
    EXPECT_TRUE(processes.commandLines.empty());
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_NE(LaunchHistran(services, kDir, 1, 1), 0);
    EXPECT_EQ(processes.commandLines, Strings{"/opt/oculara/Histran "});
}

// The dialer and the mailer differ only in their program and texts.
struct Notifier {
    const char* program;
    int (*launch)(Companions&, AlarmServices&, const std::string&, uint32_t, uint32_t, uint32_t,
                  std::string&);
    int (*done)(Companions&);
    const char* runningMessage;
    const char* runningNote;
    const char* failedMessage;
    const char* failedNote;
};

const Notifier kNotifiers[] = {
    {"dial", LaunchDialer, DialerDone,
     "Another Dial procedure is executing...\nYou cann't run Zelkor Dial now...",
     " #Error:Another error dialing is running, this call will be ignored....",
     "Error Executing Zelkor Dial...", " #Error:Zelkor Dial running error...."},
    {"email", LaunchMailer, MailerDone,
     "Another Sending Mail procedure is executing...\nYou cann't run Zelkor Dial now...",
     " #Error : Another warning message is sending, this mail will be ignored....",
     "Error Executeing Zelkor EMail...", " #Error:Zelkor EMail execute error...."},
};

// Services of their own, with the notifier's first start for event 1
// done: it leaves the description as it was.
struct FirstStart {
    RecordingProcesses processes;
    platform::RecordingUi ui;
    AlarmServices services;
    Companions companions;
    bool started = false;

    FirstStart(const Notifier& n, platform::Sound& sound) : services{processes, ui, sound} {
        std::string description = "Event 1";
        started = n.launch(companions, services, kDir, 1, 1, 0, description) != 0;
        EXPECT_EQ(description, "Event 1");
    }
};

TEST_F(AlarmsTest, SecondNotifierWhileTheFirstRunsIsNotedAndToldOnlyFromTheTracingMenu) {
    for (const Notifier& n : kNotifiers) {
        SCOPED_TRACE(n.program);
        FirstStart first(n, sound);
        ASSERT_TRUE(first.started);
        RecordingProcesses& fresh = first.processes;
        platform::RecordingUi& freshUi = first.ui;
        AlarmServices& s = first.services;
        Companions& c = first.companions;

        // Any style but the Tracing Menu's: noted, not shown.
        for (uint32_t style : {0u, 2u, 3u}) {
            std::string second = "Event 2";
            EXPECT_EQ(n.launch(c, s, kDir, 1, 2, style, second), 0);
            EXPECT_EQ(second, std::string("Event 2") + n.runningNote);
        }
        EXPECT_TRUE(freshUi.boxes.empty());

        std::string traced = "Event 3";
        EXPECT_EQ(n.launch(c, s, kDir, 0, 3, 1, traced), 0);
        EXPECT_EQ(traced, std::string("Event 3") + n.runningNote);
        ASSERT_EQ(freshUi.boxes.size(), 1u);
        EXPECT_EQ(freshUi.boxes[0].text, n.runningMessage);
        EXPECT_EQ(freshUi.boxes[0].title, "Zelkor Oculara");
        EXPECT_EQ(freshUi.boxes[0].style, kErrorBox);
        EXPECT_EQ(fresh.commandLines.size(), 1u);  // nothing more was started
        EXPECT_EQ(n.done(c), 0);
    }
}

TEST_F(AlarmsTest, NotifierThatCannotStartIsNotedAndKeepsTheEndedRecord) {
    for (const Notifier& n : kNotifiers) {
        SCOPED_TRACE(n.program);
        FirstStart first(n, sound);
        ASSERT_TRUE(first.started);
        RecordingProcesses& fresh = first.processes;
        platform::RecordingUi& freshUi = first.ui;
        AlarmServices& s = first.services;
        Companions& c = first.companions;
        fresh.finishLast(0);

        fresh.defaultOutcome.starts = false;
        std::string unattended = "Event 2";
        EXPECT_EQ(n.launch(c, s, kDir, 1, 2, 0, unattended), 0);
        EXPECT_EQ(unattended, std::string("Event 2") + n.failedNote);
        EXPECT_TRUE(freshUi.boxes.empty());
        EXPECT_FALSE(fresh.children[0]->released);
        EXPECT_EQ(n.done(c), 1);

        std::string traced = "Event 3";
        EXPECT_EQ(n.launch(c, s, kDir, 0, 3, 1, traced), 0);
        EXPECT_EQ(traced, std::string("Event 3") + n.failedNote);
        ASSERT_EQ(freshUi.boxes.size(), 1u);
        EXPECT_EQ(freshUi.boxes[0].text, n.failedMessage);
        EXPECT_EQ(freshUi.boxes[0].style, kErrorBox);
    }
}

TEST_F(AlarmsTest, NotesKeepTheDescriptionWithinItsField) {
    std::string description(kEventDescriptionMax - 10, 'd');
    LaunchDialer(companions, services, kDir, 1, 1, 0, description);
    LaunchDialer(companions, services, kDir, 1, 2, 0, description);
    ASSERT_EQ(description.size(), kEventDescriptionMax - 1);
    EXPECT_EQ(description.substr(kEventDescriptionMax - 10), " #Error:A");
    LaunchDialer(companions, services, kDir, 1, 3, 0, description);
    EXPECT_EQ(description.size(), kEventDescriptionMax - 1);
}

// A non-zero end shows only once the program has ended: it goes to the
// sink the start was given and to stderr, a signal's end as 128 + signal.
TEST_F(AlarmsTest, NonZeroEndsAreNotedThroughTheStartsSinkAndStderr) {
    Strings notes;
    services.lateNote = [&notes](std::string_view note) { notes.emplace_back(note); };
    std::string description = "Event 4";
    ASSERT_NE(LaunchDialer(companions, services, kDir, 1, 4, 0, description), 0);
    ASSERT_NE(LaunchMailer(companions, services, kDir, 1, 4, 0, description), 0);
    ASSERT_NE(LaunchAlarmProgram(services, "/usr/local/bin/siren", 4, description), 0);
    services.lateNote = nullptr;
    ASSERT_EQ(processes.children.size(), 3u);

    ::testing::internal::CaptureStderr();
    RecordingProcesses::finish(*processes.children[0], 0);
    RecordingProcesses::finish(*processes.children[1], 1);
    RecordingProcesses::finish(*processes.children[2], 128 + 9);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Vorrak: event 4: #Error:Zelkor EMail exit code 1....\n"
              "Vorrak: event 4: #Error:Alarm Program /usr/local/bin/siren exit code 137....\n");
    EXPECT_EQ(notes, (Strings{" #Error:Zelkor EMail exit code 1....",
                              " #Error:Alarm Program /usr/local/bin/siren exit code 137...."}));
    EXPECT_EQ(description, "Event 4");
}

}  // namespace
}  // namespace zelkor::vorrak
