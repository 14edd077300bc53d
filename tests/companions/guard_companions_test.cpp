// Vorrak's guard engine raises an event with e-mail notify and phone call
// on, and the real mailer and dialer it starts deliver: the mail reaches a
// local SMTP server with the event bitmap, and the call reaches a fake
// modem.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/fake/recording_processes.h"
#include "platform/process.h"
#include "platform/regedit_format.h"
#include "platform/store_file.h"
#include "tests/companions/fake_modem.h"
#include "tests/companions/smtp_sink.h"
#include "tests/guard_engine/engine_rig.h"
#include "tests/support/program_runner.h"
#include "vorrak/guard/event_alarms.h"
#include "vorrak/guard/tracing.h"

namespace zelkor::testing {
namespace {

// Real program starts. The rig keeps the settings store in memory; at each
// start the store is written to the file the started programs read, so
// they find what the engine stored just before, as with the file store.
class StoreFileProcesses : public platform::Processes {
  public:
    explicit StoreFileProcesses(std::string storeFile) : storeFile_(std::move(storeFile)) {}

    std::unique_ptr<platform::ChildProcess> start(std::string_view commandLine) override {
        std::string error;
        EXPECT_TRUE(platform::writeFileAtomically(storeFile_, platform::formatRegedit(store->data),
                                                  0600, &error))
            << error;
        commandLines.emplace_back(commandLine);
        return real_->start(commandLine);
    }

    platform::MemoryRegistry* store = nullptr;
    std::vector<std::string> commandLines;

  private:
    std::string storeFile_;
    std::unique_ptr<platform::Processes> real_ = platform::makeProcesses();
};

// The exit code once the program has ended, within `seconds` of real time.
std::optional<uint32_t> awaitEnd(platform::ChildProcess& child, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        const auto code = child.exitCode();
        if (code && *code != platform::STILL_ACTIVE) {
            return code;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::nullopt;
}

TEST(GuardCompanions, AnEventMailsItsBitmapAndRingsThePhone) {
    SmtpSink sink;
    ASSERT_NE(sink.port(), 0) << "the SMTP server did not start (python3-aiosmtpd?)";
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok());
    FakeModem modem(pty.master(), {}, true);
    TempDir storeDir;
    const std::string storeFile = storeDir.file("registry.reg");
    ::setenv("ZELKOR_REGISTRY", storeFile.c_str(), 1);
    ::setenv("ZELKOR_MODEM_TIMEOUT_MS", "2000", 1);

    StoreFileProcesses processes(storeFile);
    test::GuardSettings settings;
    settings.emailNotify = 1;
    settings.phoneCall = 1;
    test::SceneOptions scene;
    scene.scene = "walker";
    scene.periodMs = 8000;
    scene.seed = 1;
    test::EngineRig rig(scene, settings, &processes);
    processes.store = &rig.registry;
    const auto key = vorrak::kProductKey;
    rig.registry.putText(key, "SMTPSERVER", sink.url());
    rig.registry.putText(key, "SMTPFROM", "vorrak@example.org");
    rig.registry.putText(key, "PHONENUMBER", "+1 555 0100");
    rig.registry.putText(key, "MODEMDEVICE", pty.device());
    rig.registry.putNumber(key, "RINGSECONDS", 1);
    for (const char* program : {"email", "dial"}) {
        std::filesystem::create_symlink(binDir() + "/" + program, rig.dir.file(program));
    }

    rig.start();
    for (int i = 0; i < 100 && rig.vorrak.guard.EventNumber < 1; ++i) {
        rig.run(500);
    }
    ASSERT_EQ(rig.vorrak.guard.EventNumber, 1u);
    ASSERT_EQ(processes.commandLines, (std::vector<std::string>{rig.dir.file("email") + " 1",
                                                                rig.dir.file("dial") + " 1"}));
    auto& companions = rig.vorrak.companions;
    ASSERT_TRUE(companions.mailer && companions.dialer);
    EXPECT_EQ(awaitEnd(*companions.mailer, 30), 0u) << "the mailer sent the mail";
    EXPECT_EQ(awaitEnd(*companions.dialer, 30), 0u) << "the dialer placed the call";

    ASSERT_TRUE(sink.received(1));
    EXPECT_EQ(sink.field(1, "to"), "guard@example.org");
    EXPECT_EQ(sink.field(1, "subject"), "Zelkor Oculara event 1");
    EXPECT_EQ(sink.field(1, "body"), "Zelkor Oculara Warning....");
    const std::string bitmapPath = rig.vorrak.capture.eventFolder + "/error1.bmp";
    const std::string bitmap = readText(bitmapPath);
    ASSERT_GT(bitmap.size(), 54u) << bitmapPath;
    EXPECT_EQ(sink.field(1, "attachment0"), bitmap) << "the event bitmap, byte for byte";
    EXPECT_EQ(sink.field(1, "attachment0_name"), "error1.bmp");
    EXPECT_EQ(modem.commands(), (std::vector<std::string>{"ATZ", "ATD+15550100;", "ATH"}));
}

using platform::RecordingProcesses;

test::SceneOptions walker() {
    test::SceneOptions scene;
    scene.scene = "walker";
    scene.periodMs = 8000;
    scene.seed = 1;
    return scene;
}

void runToFirstEvent(test::EngineRig& rig) {
    rig.start();
    for (int i = 0; i < 100 && rig.vorrak.guard.EventNumber < 1; ++i) {
        rig.run(500);
    }
}

// What an event's programs fail at reaches that event: a failed start its
// history line; an end with a non-zero code after the line was written its
// slot, the event list and stderr, while the line stays as it was.
TEST(GuardCompanions, FailuresOfAnEventsProgramsAreNotedInThatEvent) {
    test::GuardSettings settings;
    settings.emailNotify = 1;
    settings.phoneCall = 1;
    settings.stopStyle = 1;
    test::EngineRig rig(walker(), settings);
    rig.registry.putNumber(vorrak::kProductKey, "EXECUTEPROGRAM", 1);
    rig.registry.putText(vorrak::kProductKey, "EXECUTEFILENAME", "/opt/siren [hall]");
    RecordingProcesses& processes = rig.recordedProcesses;
    processes.script.push_back({false});  // the alarm program does not start
    runToFirstEvent(rig);
    ASSERT_EQ(rig.vorrak.guard.EventNumber, 1u);
    ASSERT_EQ(processes.children.size(), 2u);  // the mailer and the dialer
    const auto lines = rig.historyLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(" #Error:Alarm Program /opt/siren (hall) execute error...."),
              std::string::npos)
        << lines[0];

    const size_t refreshes = rig.host.count("refreshEventList");
    ::testing::internal::CaptureStderr();
    RecordingProcesses::finish(*processes.children[0], 0);  // the mail went out
    RecordingProcesses::finish(*processes.children[1], 2);  // the call did not
    const std::string told = ::testing::internal::GetCapturedStderr();
    const std::string& description = rig.vorrak.guard.eventSlots[1].description;
    EXPECT_TRUE(description.ends_with(" #Error:Zelkor Dial exit code 2....")) << description;
    EXPECT_EQ(description.find("EMail"), std::string::npos) << description;
    EXPECT_EQ(told, "Vorrak: event 1: #Error:Zelkor Dial exit code 2....\n");
    EXPECT_EQ(rig.host.count("refreshEventList"), refreshes + 1);
    EXPECT_EQ(rig.historyLines(), lines);
}

// While an event is traced, the mail of Ctrl+F12 and the mailer that ends
// with a non-zero code are noted in the traced event, and so reach its
// history line when tracing ends.
TEST(GuardCompanions, MailFailuresDuringTracingReachTheTracedEventsLine) {
    test::GuardSettings settings;
    settings.emailNotify = 1;
    settings.processStyle = 2;
    test::EngineRig rig(walker(), settings);
    runToFirstEvent(rig);
    ASSERT_EQ(rig.vorrak.guard.EventNumber, 1u);
    ASSERT_EQ(rig.vorrak.guardMode.trace.tracing, 1u);
    ASSERT_EQ(rig.recordedProcesses.children.size(), 1u);

    ::testing::internal::CaptureStderr();
    vorrak::MailCommand(rig.vorrak, *rig.services);  // the first mailer still runs
    rig.recordedProcesses.finishLast(3);
    const std::string told = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(rig.recordedProcesses.children.size(), 1u);
    EXPECT_EQ(told, std::string("Vorrak: event 1:") + std::string(vorrak::kMailerRunningNote) +
                        "\nVorrak: event 1: #Error:Zelkor EMail exit code 3....\n");

    vorrak::TracingMenuCommand(rig.vorrak, *rig.services, vorrak::kTracingStopButton);
    const auto lines = rig.historyLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(std::string(vorrak::kMailerRunningNote) +
                            " #Error:Zelkor EMail exit code 3.... Release Time:"),
              std::string::npos)
        << lines[0];
}

// A hundred events later the slot is another event's: a late note for the
// first one leaves it alone.
TEST(GuardCompanions, ALateNoteSkipsASlotThatALaterEventHolds) {
    test::EngineRig rig(walker());
    vorrak::GuardState& guard = rig.vorrak.guard;
    guard.EventNumber = 101;
    guard.eventSlots[1].description = "Event 101";
    vorrak::EventAlarms(rig.vorrak, *rig.services, 1).lateNote(" #Error:x");
    EXPECT_EQ(guard.eventSlots[1].description, "Event 101");
    vorrak::EventAlarms(rig.vorrak, *rig.services, 101).lateNote(" #Error:x");
    EXPECT_EQ(guard.eventSlots[1].description, "Event 101 #Error:x");
}

}  // namespace
}  // namespace zelkor::testing
