// `cmake --install` into a prefix of the test's own: the programs and the
// files they look for beside themselves land in one folder, the installed
// Vorrak finds them there, and the desktop entry starts that Vorrak and is
// accepted by the desktop's own validator.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/support/program_runner.h"
#include "tests/support/temp_dir.h"
#include "vorrak/hardware/detection.h"

namespace zelkor::vorrak {
namespace {

namespace fs = std::filesystem;

std::string quoted(const std::string& s) {
    return "'" + s + "'";
}

TEST(InstallTest, InstalledProgramsFindTheirFilesAndTheEntryStartsVorrak) {
    const char* build = std::getenv("ZELKOR_BUILD_DIR");
    ASSERT_NE(build, nullptr) << "ZELKOR_BUILD_DIR names the build to install";
    testing::TempDir dir;
    const std::string prefix = dir.path() + "/prefix with blank";
    const std::string log = dir.file("install.log");
    ASSERT_EQ(std::system((std::string(ZELKOR_CMAKE) + " --install " + quoted(build) +
                           " --prefix " + quoted(prefix) + " >" + quoted(log) + " 2>&1")
                              .c_str()),
              0)
        << testing::readText(log);

    const std::string programs = prefix + "/libexec/zelkor-oculara";
    for (const char* name : {"Vorrak", "Histran", "manage", "VrakSetup", "sendcommand", "cardtool",
                             "Vrak.mdb", "Help/Help.htm", "vcard.ini.example"}) {
        EXPECT_TRUE(fs::is_regular_file(programs + "/" + name)) << name;
    }
    EXPECT_TRUE((fs::status(programs + "/Vorrak").permissions() & fs::perms::owner_exec) !=
                fs::perms::none);
    // The companions Vorrak starts on an event go with it wherever they are
    // built.
    for (const char* name : {"dial", "email"}) {
        EXPECT_EQ(fs::is_regular_file(programs + "/" + name),
                  fs::is_regular_file(testing::binDir() + "/" + name))
            << name;
    }

    const std::string entry = prefix + "/share/applications/zelkor-oculara.desktop";
    const std::string text = testing::readText(entry);
    EXPECT_NE(text.find("Exec=\"" + programs + "/Vorrak\"\n"), std::string::npos) << text;
    const std::string validation = dir.file("validate.log");
    EXPECT_EQ(
        std::system(("desktop-file-validate " + quoted(entry) + " >" + quoted(validation) + " 2>&1")
                        .c_str()),
        0)
        << "desktop-file-validate (package desktop-file-utils, scripts/install-deps.sh): "
        << testing::readText(validation);

    // The installed Vorrak reads the card's configuration beside it: a card
    // without a decoder there is refused at once.
    std::ofstream(programs + "/vcard.ini") << "[card]\ndecoder = no\n";
    const std::string runtime = dir.file("runtime");
    fs::create_directory(runtime);
    chmod(runtime.c_str(), 0700);
    testing::Program vorrak(programs + "/Vorrak", dir.file("registry.reg"), runtime,
                            dir.file("vorrak.err"));
    EXPECT_EQ(vorrak.wait(), 0);
    EXPECT_NE(testing::readText(dir.file("vorrak.err")).find(std::string(DecoderMissingMessage)),
              std::string::npos)
        << testing::readText(dir.file("vorrak.err"));
}

}  // namespace
}  // namespace zelkor::vorrak
