#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/instance.h"

namespace zelkor::platform {
namespace {

namespace fs = std::filesystem;

class InstanceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("zelkor_inst_" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::permissions(dir_, fs::perms::owner_all);  // whatever the umask
        instances_ = makeInstances(dir_.string());
    }
    void TearDown() override { fs::remove_all(dir_); }

    // A child answering this ends as a crashed holder would, its claim unreleased.
    static constexpr int LeaveClaimBehind = 1000;

    // Runs `child` in a forked process that first claims `className` and
    // tells the parent through a pipe once it holds it.
    pid_t forkHolder(const char* className, int (*child)(InstanceClaim&)) {
        int ready[2];
        EXPECT_EQ(pipe(ready), 0);
        const pid_t pid = fork();
        if (pid == 0) {
            close(ready[0]);
            auto claim = makeInstances(dir_.string())->claim(className);
            const char held = claim ? 'y' : 'n';
            (void)!write(ready[1], &held, 1);
            const int code = claim ? child(*claim) : 99;
            if (code != LeaveClaimBehind) {
                claim.reset();
            }
            _exit(code == LeaveClaimBehind ? 0 : code);
        }
        close(ready[1]);
        char held = 0;
        EXPECT_EQ(read(ready[0], &held, 1), 1);
        EXPECT_EQ(held, 'y');
        close(ready[0]);
        return pid;
    }

    static int exitCodeOf(pid_t pid) {
        int status = 0;
        EXPECT_EQ(waitpid(pid, &status, 0), pid);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path dir_;
    std::unique_ptr<Instances> instances_;
};

// Waits for commands until it has two, then answers with their sum.
int sumTwoCommands(InstanceClaim& claim) {
    std::vector<uint32_t> got;
    while (got.size() < 2) {
        pollfd p{claim.fd(), POLLIN, 0};
        if (poll(&p, 1, 10000) != 1) {
            return 98;
        }
        for (uint32_t c : claim.takeCommands()) {
            got.push_back(c);
        }
    }
    return got.size() == 2 ? int(got[0] * 10 + got[1]) : 97;
}

TEST_F(InstanceTest, SecondProcessFindsTheHolderAndSendsItCommands) {
    EXPECT_FALSE(instances_->exists("ZelkorVorrak"));
    const pid_t holder = forkHolder("ZelkorVorrak", sumTwoCommands);
    EXPECT_TRUE(instances_->exists("ZelkorVorrak"));
    EXPECT_FALSE(instances_->exists("ZelkorLive"));
    EXPECT_EQ(instances_->claim("ZelkorVorrak"), nullptr);
    EXPECT_TRUE(instances_->send("ZelkorVorrak", 4));
    EXPECT_TRUE(instances_->send("ZelkorVorrak", 2));
    EXPECT_FALSE(instances_->send("ZelkorLive", 1));
    EXPECT_EQ(exitCodeOf(holder), 42);

    // The holder ended normally: its name is free and gone.
    EXPECT_FALSE(instances_->exists("ZelkorVorrak"));
    EXPECT_FALSE(fs::exists(dir_ / "ZelkorVorrak.instance"));
}

TEST_F(InstanceTest, CrashedHoldersSocketIsTakenOver) {
    // The child ends without releasing its claim, as a crash would.
    const pid_t holder =
        forkHolder("ZelkorVorrak", [](InstanceClaim&) { return LeaveClaimBehind; });
    EXPECT_EQ(exitCodeOf(holder), 0);
    ASSERT_TRUE(fs::exists(dir_ / "ZelkorVorrak.instance"));
    EXPECT_FALSE(instances_->exists("ZelkorVorrak"));

    auto claim = instances_->claim("ZelkorVorrak");
    ASSERT_NE(claim, nullptr);
    EXPECT_TRUE(instances_->exists("ZelkorVorrak"));
    EXPECT_EQ(instances_->claim("ZelkorVorrak"), nullptr);
    EXPECT_TRUE(instances_->send("ZelkorVorrak", 40071));
    EXPECT_TRUE(instances_->send("ZelkorVorrak", 7));
    EXPECT_EQ(claim->takeCommands(), (std::vector<uint32_t>{40071, 7}));
    EXPECT_TRUE(claim->takeCommands().empty());
}

TEST_F(InstanceTest, OnlySocketsAreTakenOverAndNamesStayInTheirFolder) {
    std::ofstream(dir_ / "ZelkorDVCR.instance") << "not a socket";
    EXPECT_EQ(instances_->claim("ZelkorDVCR"), nullptr);
    EXPECT_TRUE(fs::exists(dir_ / "ZelkorDVCR.instance"));

    EXPECT_EQ(instances_->claim("../escape"), nullptr);
    EXPECT_EQ(instances_->claim(""), nullptr);
    EXPECT_EQ(instances_->claim(std::string(200, 'x')), nullptr);  // beyond a socket path
    EXPECT_FALSE(instances_->send("", 1));

    // A NUL would end the socket's path early, at a file of another name.
    const std::string cut("ZelkorHistran\0x", 15);
    std::string error;
    EXPECT_EQ(instances_->claim(cut, &error), nullptr);
    EXPECT_NE(error.find("Not an instance class name"), std::string::npos);
    for (const auto& entry : fs::directory_iterator(dir_)) {
        EXPECT_EQ(entry.path().filename().string().rfind("ZelkorHistran", 0), std::string::npos)
            << entry.path();
    }
    EXPECT_FALSE(instances_->exists(cut));

    EXPECT_TRUE(validClassName("ZelkorVorrak"));
    EXPECT_TRUE(validClassName(".hidden"));
    for (const std::string_view bad : {"", ".", "..", "a/b", "/abs"}) {
        EXPECT_FALSE(validClassName(bad)) << bad;
    }
    EXPECT_FALSE(validClassName(cut));
}

// Only a live holder means "another copy is running"; any other reason not
// to hold the name is an error that says what is wrong.
TEST_F(InstanceTest, FailuresSayWhyAndOnlyALiveHolderSaysNothing) {
    const pid_t holder = forkHolder("ZelkorVorrak", sumTwoCommands);
    std::string error = "stale";
    EXPECT_EQ(instances_->claim("ZelkorVorrak", &error), nullptr);
    EXPECT_EQ(error, "");
    EXPECT_TRUE(instances_->send("ZelkorVorrak", 4));
    EXPECT_TRUE(instances_->send("ZelkorVorrak", 2));
    EXPECT_EQ(exitCodeOf(holder), 42);

    const auto refused = [](const std::string& folder, const char* className) {
        std::string why;
        EXPECT_EQ(makeInstances(folder)->claim(className, &why), nullptr) << folder;
        return why;
    };
    const std::string missing = (dir_ / "missing").string();
    EXPECT_EQ(refused(missing, "ZelkorHistran"),
              "Cannot use the runtime folder " + missing + ": No such file or directory");
    const fs::path deep = dir_ / std::string(100, 'd');
    fs::create_directories(deep);
    fs::permissions(deep, fs::perms::owner_all);
    EXPECT_NE(refused(deep.string(), "ZelkorHistran").find("is too long for a socket name"),
              std::string::npos);
    EXPECT_NE(refused("", "ZelkorHistran").find("No private runtime folder"), std::string::npos);
    std::ofstream(dir_ / "ZelkorDVCR.instance") << "not a socket";
    EXPECT_NE(refused(dir_.string(), "ZelkorDVCR").find("not a socket"), std::string::npos);
    EXPECT_NE(refused(dir_.string(), "../escape"), "");
}

// Only nobody holding the class is "not running"; a holder whose queue is
// full and a folder that cannot be trusted say why.
TEST_F(InstanceTest, DeliveryTellsAFullQueueAndARefusedFolderFromNobodyRunning) {
    std::string reason;
    EXPECT_EQ(instances_->deliver("ZelkorVorrak", 1, &reason), Delivery::NotRunning);
    auto claim = instances_->claim("ZelkorVorrak");
    ASSERT_NE(claim, nullptr);
    Delivery delivery = Delivery::Delivered;
    for (int i = 0; i < 100000 && delivery == Delivery::Delivered; ++i) {
        delivery = instances_->deliver("ZelkorVorrak", 7, &reason);
    }
    EXPECT_EQ(delivery, Delivery::Busy);
    EXPECT_NE(reason.find("queue of commands is full"), std::string::npos) << reason;
    EXPECT_FALSE(claim->takeCommands().empty());
    EXPECT_EQ(instances_->deliver("ZelkorVorrak", 7, &reason), Delivery::Delivered);

    fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_all);
    EXPECT_EQ(instances_->deliver("ZelkorVorrak", 7, &reason), Delivery::Failed);
    EXPECT_NE(reason.find("other users can write it"), std::string::npos) << reason;
    fs::permissions(dir_, fs::perms::owner_all);
}

TEST_F(InstanceTest, FoldersOthersCanWriteAreRefusedAndLockLinksNotFollowed) {
    for (const auto shared :
         {fs::perms::owner_all | fs::perms::group_all, fs::perms::all | fs::perms::sticky_bit}) {
        fs::permissions(dir_, shared);
        std::string error;
        EXPECT_EQ(instances_->claim("ZelkorVorrak", &error), nullptr);
        EXPECT_NE(error.find("other users can write it"), std::string::npos) << error;
        EXPECT_FALSE(fs::exists(dir_ / "ZelkorVorrak.instance"));
    }
    fs::permissions(dir_, fs::perms::owner_all);

    // A lock file planted as a link would have us create (and lock) a file
    // wherever it points.
    const fs::path elsewhere = dir_ / "elsewhere";
    fs::create_symlink(elsewhere, dir_ / "ZelkorVorrak.instance.lock");
    std::string error;
    EXPECT_EQ(instances_->claim("ZelkorVorrak", &error), nullptr);
    EXPECT_NE(error.find("ZelkorVorrak.instance.lock"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(elsewhere));
    EXPECT_FALSE(fs::exists(dir_ / "ZelkorVorrak.instance"));
}

TEST(DefaultInstanceDirectory, PrivateFolderWithoutARuntimeDirectory) {
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string keep = saved != nullptr ? saved : "";
    setenv("XDG_RUNTIME_DIR", "/run/zelkor-test", 1);
    EXPECT_EQ(defaultInstanceDirectory(), "/run/zelkor-test");

    unsetenv("XDG_RUNTIME_DIR");
    const std::string dir = defaultInstanceDirectory();
    EXPECT_EQ(dir, "/tmp/zelkor-" + std::to_string(getuid()));
    struct stat st {};
    ASSERT_EQ(stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    if (saved != nullptr) {
        setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
    }
}

}  // namespace
}  // namespace zelkor::platform
