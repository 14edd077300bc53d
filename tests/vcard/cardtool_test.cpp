#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/support/temp_dir.h"

namespace zelkor {
namespace {

// Runs cardtool detect with $ZELKOR_VCARD naming `config`; stdout (with
// stderr when asked) and exit code.
std::pair<std::string, int> detectWith(const std::string& config, bool errors = false) {
    const std::string command = "ZELKOR_VCARD='" + config + "' '" + std::getenv("ZELKOR_BIN_DIR") +
                                "/cardtool' detect " + (errors ? "2>&1" : "2>/dev/null");
    FILE* p = popen(command.c_str(), "r");
    std::string out;
    char buf[256];
    while (p != nullptr && std::fgets(buf, sizeof buf, p) != nullptr) {
        out += buf;
    }
    const int status = p != nullptr ? pclose(p) : -1;
    return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

// Runs cardtool detect on a card described by `ini`; stdout and exit code.
std::pair<std::string, int> detect(const std::string& ini) {
    const auto file = std::filesystem::path(::testing::TempDir()) / "cardtool_test.ini";
    std::ofstream(file) << ini;
    return detectWith(file.string());
}

TEST(Cardtool, DetectPrintsWhatStartUpWouldFind) {
    auto [out, code] = detect("");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out,
              "chip: 10DE:0028 BusMethod=20\ndecoder: present\n"
              "signal: standard=0 connector=1002\ncapture driver: index=0 version=3.8.1.2\n");

    std::tie(out, code) = detect(
        "[card]\nchip = 1234:0001\noptional_device = C2\n[composite]\nsource = none\n"
        "[svideo]\nsource = scene:static\nrate = 50\n[driver0]\nname = Other\n"
        "[driver6]\nname = Zelkor New\nversion = Version : 3.8.1.2\n");
    EXPECT_EQ(out,
              "chip: unknown BusMethod=20\ndecoder: present\n"
              "signal: standard=3 connector=1001\ncapture driver: index=6 version=3.8.1.2\n");

    std::tie(out, code) = detect("[card]\ndecoder = no\n[driver0]\nversion = Version : 3.10\n");
    EXPECT_EQ(out,
              "chip: 10DE:0028 BusMethod=20\ndecoder: absent\nsignal: none\n"
              "capture driver: none\n");

    std::tie(out, code) = detect("[card]\ndecoder = perhaps\n");
    EXPECT_EQ(code, 2);
    EXPECT_EQ(out, "");
}

TEST(Cardtool, DetectSaysHowOftenTheBusGaveUpWaitingForTheClock) {
    // The PCI search finds the second chip first, so the bus unlocks the
    // first one's line registers the wrong way and never sees the clock.
    auto [out, code] = detect("[card]\nchip = 10DE:0028, 12D2:0018\n");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out,
              "chip: 12D2:0018 BusMethod=30\ndecoder: absent\nsignal: none\n"
              "capture driver: index=0 version=3.8.1.2\nbus give-ups: clock=5 settle=0\n");
}

TEST(Cardtool, AMissingCameraIsNoSignal) {
    // A device that opens but is no camera (a missing device and a plain
    // file are the camera source's own tests): the search runs its course.
    const auto [out, code] = detect("[composite]\nsource = v4l2:/dev/null\n");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out,
              "chip: 10DE:0028 BusMethod=20\ndecoder: present\nsignal: none\n"
              "capture driver: index=0 version=3.8.1.2\n");
}

TEST(Cardtool, ACardConfigurationThatCannotBeUsedIsReported) {
    testing::TempDir dir;
    EXPECT_EQ(detectWith(dir.path(), true),
              std::pair(std::string("cardtool: ") + dir.path() +
                            ": not a card configuration file (a folder or a device)\n",
                        2));
    EXPECT_EQ(
        detectWith(dir.file("missing.ini"), true),
        std::pair("cardtool: " + dir.file("missing.ini") + ": no such card configuration file\n",
                  2));
    const std::string ini = dir.write("card.ini", "[card]\ntrace = /nonexistent/bus.vcd\n");
    EXPECT_EQ(
        detectWith(ini, true),
        std::pair(std::string("cardtool: /nonexistent/bus.vcd: the bus trace cannot be written\n"),
                  2));
    // With a byte-order mark, as some editors save it.
    const std::string bom = dir.write("bom.ini", "\xEF\xBB\xBF[card]\ndecoder = no\n");
    const auto [out, code] = detectWith(bom);
    EXPECT_EQ(code, 0);
    EXPECT_NE(out.find("decoder: absent\n"), std::string::npos) << out;
}

}  // namespace
}  // namespace zelkor
