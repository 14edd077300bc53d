// Vorrak's guard engine raises an event with e-mail notify and phone call
// on, and the real mailer and dialer it starts deliver: the mail reaches a
// local SMTP server with the event bitmap, and the call reaches a fake
// modem.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/process.h"
#include "platform/regedit_format.h"
#include "platform/store_file.h"
#include "tests/companions/fake_modem.h"
#include "tests/companions/smtp_sink.h"
#include "tests/guard_engine/engine_rig.h"
#include "tests/support/program_runner.h"

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

}  // namespace
}  // namespace zelkor::testing
