// The real sendcommand: exit 1 only when nobody holds the class; a holder
// that takes no commands and a runtime folder that cannot be trusted are
// reported with their reason and exit 2.

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/instance.h"
#include "tests/support/program_runner.h"
#include "tests/support/temp_dir.h"

namespace zelkor::testing {
namespace {

namespace fs = std::filesystem;

class SendCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all);
    }
    int send(const std::string& id) {
        Program sender("sendcommand", dir.file("registry.reg"), runtime, dir.file("send.err"),
                       Screen::None, {"ZelkorVorrak", id});
        return sender.wait();
    }
    std::string said() const { return readText(dir.file("send.err")); }

    TempDir dir;
    std::string runtime = dir.file("run");
};

TEST_F(SendCommandTest, NotRunningBusyAndRefusedFolderAreToldApart) {
    EXPECT_EQ(send("40004"), 1);
    EXPECT_NE(said().find("no program of class ZelkorVorrak is running"), std::string::npos);

    const auto instances = platform::makeInstances(runtime);
    auto claim = instances->claim("ZelkorVorrak");
    ASSERT_NE(claim, nullptr);
    while (instances->send("ZelkorVorrak", 1)) {
    }
    EXPECT_EQ(send("40004"), 2);
    EXPECT_NE(said().find("command 40004 not handed over: "), std::string::npos) << said();
    EXPECT_NE(said().find("queue of commands is full"), std::string::npos) << said();
    claim->takeCommands();
    EXPECT_EQ(send("40004"), 0);
    EXPECT_EQ(claim->takeCommands(), std::vector<uint32_t>{40004});

    fs::permissions(runtime, fs::perms::owner_all | fs::perms::others_write);
    EXPECT_EQ(send("40004"), 2);
    EXPECT_NE(said().find("other users can write it"), std::string::npos) << said();
}

}  // namespace
}  // namespace zelkor::testing
