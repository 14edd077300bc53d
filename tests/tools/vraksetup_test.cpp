#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "eventdb/event_database.h"
#include "platform/fake/recording_ui.h"
#include "platform/registry.h"
#include "tests/support/temp_dir.h"
#include "vorrak/config/settings_store.h"
#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {
namespace {

namespace fs = std::filesystem;

struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class VrakSetupTest : public ::testing::Test {
  protected:
    fs::path dir;
    fs::path store;

    void SetUp() override {
        char pattern[] = "/tmp/vraksetup-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        store = dir / "config" / "registry.reg";
    }

    void TearDown() override { fs::remove_all(dir); }

    // Runs VrakSetup in `dir` on the temporary store.
    ProgramRun run(const std::vector<std::string>& args) {
        const auto out = dir / "stdout", err = dir / "stderr";
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("ZELKOR_REGISTRY", store.c_str(), 1);
            if (chdir(dir.c_str()) != 0) {
                _exit(120);
            }
            dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
            dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const auto& a : args) {
                argv.push_back(const_cast<char*>(a.c_str()));
            }
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        ProgramRun r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, zelkor::testing::readText(out),
                     zelkor::testing::readText(err)};
        fs::remove(out);
        fs::remove(err);
        return r;
    }

    struct Loaded {
        bool ok = false;
        Settings settings;
        AccessControl access;
    };

    Loaded load() {
        auto registry = platform::openFileRegistry(store.string());
        platform::RecordingUi ui;
        Loaded loaded;
        RunOptions options;
        SettingsHost host{*registry, ui, "not used", [](uint32_t) {}, [](int) {}};
        loaded.ok = LoadSettings(host, loaded.settings, loaded.access, options);
        return loaded;
    }

  private:
    const fs::path program = VRAKSETUP_PROGRAM;
};

TEST_F(VrakSetupTest, WithoutArgumentsPrintsUsageAndWritesNothing) {
    const auto r = run({});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("Usage: VrakSetup --workdir DIR"), std::string::npos);
    EXPECT_FALSE(fs::exists(store));
}

TEST_F(VrakSetupTest, HelpListsEverySetting) {
    const auto r = run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (const auto& entry : ProductSettings()) {
        EXPECT_NE(r.out.find(entry.name), std::string::npos) << entry.name;
    }
    EXPECT_FALSE(fs::exists(store));
}

TEST_F(VrakSetupTest, WritesDefaultsThatLoadSettingsReadsBack) {
    const auto r = run({"--workdir", "work/../work/cam1/"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto workDir = fs::canonical(dir) / "work" / "cam1";
    EXPECT_TRUE(fs::is_directory(workDir));

    const auto loaded = load();
    ASSERT_TRUE(loaded.ok);
    const auto& s = loaded.settings;
    EXPECT_EQ(s.WORKINGDIR, workDir.string());
    EXPECT_EQ(s.CONTRAST, 144u);
    EXPECT_EQ(s.VIDEOCONNECTOR, 1001u);
    EXPECT_EQ(s.DELAYTIME, 5000u);
    EXPECT_EQ(s.SCANTIME, 500u);
    EXPECT_EQ(s.VIEWERFILENAME, "xdg-open");
    EXPECT_EQ(s.EMAILBODY, "Zelkor Oculara Warning....");
    // No password option: nothing in the maker key, so the default applies.
    EXPECT_EQ(loaded.access.PasswordRequired, 1u);
    EXPECT_EQ(loaded.access.AccessPassword, "QTRWKe4");

    // Numbers are stored as REG_DWORD, texts as REG_SZ, every one of the table.
    auto registry = platform::openFileRegistry(store.string());
    auto key = registry->openKey(kProductKey, platform::RegAccess::Read);
    ASSERT_TRUE(key);
    for (const auto& entry : ProductSettings()) {
        platform::RegType type = platform::RegType::None;
        uint32_t size = 0;
        ASSERT_TRUE(key->queryValue(entry.name, &type, nullptr, &size)) << entry.name;
        EXPECT_EQ(type, entry.kind == SettingKind::Number ? platform::RegType::Dword
                                                          : platform::RegType::Sz)
            << entry.name;
    }
}

TEST_F(VrakSetupTest, RecordsTheDisplayLibraryVersionAndKeepsOneThatIsThere) {
    const auto version = [this] {
        auto registry = platform::openFileRegistry(store.string());
        auto key = registry->openKey(resources::kDirectXKey, platform::RegAccess::Read);
        std::string text;
        return key && platform::queryText(*key, resources::kDirectXVersionValue, 80, &text)
                   ? text
                   : std::string("(missing)");
    };
    ASSERT_EQ(run({"--workdir", "work"}).exitCode, 0);
    EXPECT_EQ(version(), "4.09.00.0904");
    {
        auto registry = platform::openFileRegistry(store.string());
        auto key = registry->createKey(resources::kDirectXKey);
        ASSERT_TRUE(platform::setText(*key, resources::kDirectXVersionValue, "4.07.00.0700"));
    }
    ASSERT_EQ(run({"--workdir", "work"}).exitCode, 0);
    EXPECT_EQ(version(), "4.07.00.0700");
}

TEST_F(VrakSetupTest, AssignmentsAndPasswordOptions) {
    auto r = run({"--workdir", "w", "sensibility=40", "EMAILADDRESS=guard@example.org",
                  "VIEWERFILENAME=eog", "EMAILBODY=", "--password", "Open Sesame~"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto loaded = load();
    EXPECT_EQ(loaded.settings.SENSIBILITY, 40u);
    EXPECT_EQ(loaded.settings.EMAILADDRESS, "guard@example.org");
    EXPECT_EQ(loaded.settings.VIEWERFILENAME, "eog");
    EXPECT_EQ(loaded.settings.EMAILBODY, "");
    EXPECT_EQ(loaded.access.PasswordRequired, 1u);
    EXPECT_EQ(loaded.access.AccessPassword, "Open Sesame~");
    EXPECT_EQ(zelkor::testing::readText(store).find("Open Sesame"), std::string::npos);

    r = run({"--workdir", "w", "--no-password"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    loaded = load();
    EXPECT_EQ(loaded.access.PasswordRequired, 0u);
    EXPECT_EQ(loaded.settings.SENSIBILITY, 90u);  // a new set-up starts from the defaults

    // Without a password option the maker key stays as it was.
    r = run({"--workdir", "w"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(load().access.PasswordRequired, 0u);
}

TEST_F(VrakSetupTest, RefusedArgumentsWriteNothing) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--workdir", "w", "FOO=1"}, "unknown setting \"FOO\""},
        {{"--workdir", "w", "SCANTIME=fast"}, "SCANTIME takes a number"},
        {{"--workdir", "w", "SCANTIME=-1"}, "SCANTIME takes a number"},
        {{"--workdir", "w", "SCANTIME=4294967296"}, "SCANTIME takes a number"},
        {{"--workdir", "w", "SCANTIME="}, "SCANTIME takes a number"},
        {{"--workdir", "w", "EMAILADDRESS=" + std::string(50, 'a')}, "at most 49 characters"},
        {{"--workdir", "w", "WORKINGDIR=/x"}, "--workdir"},
        {{"--workdir", "w", "--password", std::string(50, 'p')}, "at most 49 characters"},
        {{"--workdir", "w", "--password", "x", "--no-password"}, "exclude each other"},
        {{"--workdir", "w", "--verbose"}, "unknown argument"},
        {{"--workdir", std::string(300, 'd')}, "at most 254 characters"},
        {{"--workdir", "w[1]"}, "may not contain \"[\" or \"]\""},
        {{"--workdir", "a]/w"}, "may not contain \"[\" or \"]\""},
        {{"SCANTIME=100"}, "--workdir DIR is required"},
        {{"--workdir"}, "--workdir needs a value"},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(args.back());
        const auto r = run(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(store));
        EXPECT_FALSE(fs::exists(dir / "w"));
    }
}

TEST_F(VrakSetupTest, UnwritableStoreIsAFailureAndLeavesTheFile) {
    fs::create_directories(store.parent_path());
    { std::ofstream(store) << "not a settings store\n"; }
    const auto r = run({"--workdir", "w"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("cannot write the settings store"), std::string::npos) << r.err;
    EXPECT_EQ(zelkor::testing::readText(store), "not a settings store\n");
}

TEST_F(VrakSetupTest, CreatesAnEmptyEventDatabaseAndKeepsAnExistingOne) {
    ASSERT_EQ(run({"--workdir", "work", "--no-password"}).exitCode, 0);
    const auto database = (dir / "work" / "Vrak.mdb").string();
    {
        eventdb::EventDatabase db;
        ASSERT_TRUE(eventdb::OpenEventDatabase(db, database));
        EXPECT_EQ(db.table.recordCount(), 0);
        ASSERT_TRUE(db.table.addNew({{"Desc", "kept"}, {"Bitmap", "/x.bmp"}}));
    }
    ASSERT_EQ(run({"--workdir", "work", "--no-password"}).exitCode, 0);
    eventdb::EventDatabase db;
    ASSERT_TRUE(eventdb::OpenEventDatabase(db, database));
    EXPECT_EQ(db.table.recordCount(), 1);
}

// A database reached through a link stays in use; a link whose database is
// gone is refused, never replaced by an empty database.
TEST_F(VrakSetupTest, ADanglingDatabaseLinkIsRefusedAndKept) {
    fs::create_directories(dir / "work");
    const auto link = dir / "work" / "Vrak.mdb";
    fs::create_symlink("../share/Vrak.mdb", link);
    const auto r = run({"--workdir", "work", "--no-password"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("../share/Vrak.mdb, which is missing"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_FALSE(fs::exists(dir / "share"));
    EXPECT_FALSE(fs::exists(store));

    fs::create_directories(dir / "share");
    std::string error;
    ASSERT_TRUE(eventdb::CreateEventDatabase((dir / "share" / "Vrak.mdb").string(), &error));
    ASSERT_EQ(run({"--workdir", "work", "--no-password"}).exitCode, 0);
    EXPECT_TRUE(fs::is_symlink(link));
}

}  // namespace
}  // namespace zelkor::vorrak
