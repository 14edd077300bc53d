#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "platform/registry.h"
#include "platform/store_file.h"
#include "tests/platform_store/store_test_support.h"

namespace zelkor::platform {
namespace {

using test::fileMode;
using test::TempFolder;
using test::writeFile;
using zelkor::testing::readText;

constexpr const char* kProduct = "SOFTWARE\\Zelkor\\Oculara";

// Where tests that write a lot put their folder: in memory when possible,
// since what they test is locking and replacement, not the disk.
std::filesystem::path memoryBackedFolder() {
    std::error_code ec;
    return std::filesystem::is_directory("/dev/shm", ec) ? std::filesystem::path("/dev/shm")
                                                         : std::filesystem::temp_directory_path();
}

ino_t inodeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

TEST(FileRegistry, CreateKeyOnMissingFileMakesFolderAndFile) {
    TempFolder folder;
    const auto path = folder.file("config/zelkor/registry.reg");
    auto registry = openFileRegistry(path);
    EXPECT_EQ(registry->openKey(kProduct, RegAccess::Read), nullptr);
    EXPECT_FALSE(std::filesystem::exists(path));  // reading never creates the store

    auto key = registry->createKey(kProduct);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(readText(path),
              "REGEDIT4\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkor]\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkor\\Oculara]\n\n");
    EXPECT_EQ(fileMode(path), 0600u);
}

TEST(FileRegistry, WritesAreSeenByEveryOtherOpener) {
    TempFolder folder;
    const auto path = folder.file("registry.reg");
    auto writer = openFileRegistry(path);
    auto reader = openFileRegistry(path);
    auto key = writer->createKey(kProduct);
    ASSERT_NE(key, nullptr);
    // A key opened before the write sees it too: queries read the file.
    auto early = reader->openKey("software\\zelkor\\OCULARA", RegAccess::Read);
    ASSERT_NE(early, nullptr);

    ASSERT_TRUE(setNumber(*key, "SCANTIME", 500));
    ASSERT_TRUE(setText(*key, "WORKINGDIR", "/home/guard/work"));
    uint32_t number = 0;
    std::string text;
    EXPECT_TRUE(queryNumber(*early, "scantime", &number));
    EXPECT_EQ(number, 500u);
    EXPECT_TRUE(queryText(*early, "WORKINGDIR", 255, &text));
    EXPECT_EQ(text, "/home/guard/work");
    EXPECT_EQ(readText(path),
              "REGEDIT4\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkor]\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkor\\Oculara]\n"
              "\"SCANTIME\"=dword:000001f4\n"
              "\"WORKINGDIR\"=\"/home/guard/work\"\n\n");
}

TEST(FileRegistry, ReaderRules) {
    TempFolder folder;
    auto registry = openFileRegistry(folder.file("registry.reg"));
    auto key = registry->createKey(kProduct);
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(setText(*key, "EMAILADDRESS", std::string(60, 'm')));
    ASSERT_TRUE(setText(*key, "ABC", "abc"));
    ASSERT_TRUE(key->setValue("SHORT", RegType::Binary, "\x07\x01", 2));

    // 61 bytes do not fit a 50-byte buffer: the value counts as missing.
    std::string text = "kept";
    EXPECT_FALSE(queryText(*key, "EMAILADDRESS", 50, &text));
    EXPECT_EQ(text, "kept");
    EXPECT_TRUE(queryText(*key, "EMAILADDRESS", 61, &text));
    // Asking for the size alone reports it.
    uint32_t size = 0;
    RegType type = RegType::None;
    EXPECT_TRUE(key->queryValue("EMAILADDRESS", &type, nullptr, &size));
    EXPECT_EQ(size, 61u);
    EXPECT_EQ(type, RegType::Sz);

    // A number is whatever the first bytes hold, whatever the type.
    uint32_t number = 0;
    EXPECT_TRUE(queryNumber(*key, "ABC", &number));
    EXPECT_EQ(number, 0x00636261u);
    number = 0xAABBCCDD;
    EXPECT_TRUE(queryNumber(*key, "SHORT", &number));
    EXPECT_EQ(number, 0xAABB0107u);
    EXPECT_FALSE(queryNumber(*key, "EMAILADDRESS", &number));
    EXPECT_FALSE(queryNumber(*key, "NOSUCHVALUE", &number));
}

TEST(FileRegistry, ReadOnlyKeyAndUnstorableNamesChangeNothing) {
    TempFolder folder;
    const auto path = folder.file("registry.reg");
    auto registry = openFileRegistry(path);
    ASSERT_NE(registry->createKey(kProduct), nullptr);
    const auto before = readText(path);

    auto readOnly = registry->openKey(kProduct, RegAccess::Read);
    ASSERT_NE(readOnly, nullptr);
    EXPECT_FALSE(setNumber(*readOnly, "SCANTIME", 1));
    auto full = registry->openKey(kProduct, RegAccess::All);
    ASSERT_NE(full, nullptr);
    EXPECT_FALSE(setNumber(*full, "SCAN\nTIME", 1));
    EXPECT_EQ(registry->createKey("SOFTWARE\\\\Zelkor"), nullptr);
    EXPECT_EQ(registry->createKey(""), nullptr);
    EXPECT_EQ(readText(path), before);
}

// A store file may be shared with tools that keep keys under other roots:
// the programs' first write must not lose them.
TEST(FileRegistry, AWriteKeepsKeysOfOtherRoots) {
    TempFolder folder;
    const auto path = folder.file("registry.reg");
    writeFile(path,
              "REGEDIT4\n\n"
              "[HKEY_CURRENT_USER\\Software\\Viewer]\n\"Zoom\"=dword:00000002\n\n"
              "[HKEY_LOCAL_MACHINE]\n\"ROOTVALUE\"=\"r\"\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkor\\Oculara]\n\n");
    auto registry = openFileRegistry(path);
    auto key = registry->createKey(kProduct);
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(setNumber(*key, "SCANTIME", 500));
    EXPECT_EQ(readText(path),
              "REGEDIT4\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkor]\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkor\\Oculara]\n"
              "\"SCANTIME\"=dword:000001f4\n\n"
              "[HKEY_CURRENT_USER\\Software\\Viewer]\n\"Zoom\"=dword:00000002\n\n"
              "[HKEY_LOCAL_MACHINE]\n\"ROOTVALUE\"=\"r\"\n\n");
    // The other roots stay out of reach of the programs.
    EXPECT_EQ(registry->openKey("HKEY_CURRENT_USER\\Software\\Viewer", RegAccess::Read), nullptr);
}

TEST(FileRegistry, SetValuesWritesEveryValueInOneReplacement) {
    TempFolder folder;
    const auto path = folder.file("registry.reg");
    auto registry = openFileRegistry(path);
    ASSERT_TRUE(registry->setValues({numberWrite(kProduct, "SCANTIME", 500),
                                     textWrite("SOFTWARE\\Zelkor", "RUNSTRING", "abc"),
                                     numberWrite(kProduct, "SENSIBILITY", 40)}));
    EXPECT_EQ(readText(path),
              "REGEDIT4\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkor]\n"
              "\"RUNSTRING\"=\"abc\"\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkor\\Oculara]\n"
              "\"SCANTIME\"=dword:000001f4\n"
              "\"SENSIBILITY\"=dword:00000028\n\n");
    // The same values again change nothing: the file is not replaced.
    const auto inode = inodeOf(path);
    ASSERT_TRUE(registry->setValues({numberWrite(kProduct, "SCANTIME", 500)}));
    EXPECT_EQ(inodeOf(path), inode);

    // One unstorable entry refuses them all.
    const auto before = readText(path);
    EXPECT_FALSE(registry->setValues(
        {numberWrite(kProduct, "SCANTIME", 1), numberWrite(kProduct, "BAD\nNAME", 1)}));
    EXPECT_FALSE(registry->setValues({numberWrite("SOFTWARE\\\\Zelkor", "A", 1)}));
    EXPECT_EQ(readText(path), before);
}

TEST(FileRegistry, RewritesAtomicallyWithOwnerOnlyMode) {
    TempFolder folder;
    const auto path = folder.file("registry.reg");
    writeFile(path, "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkor\\Oculara]\n\n");
    ::chmod(path.c_str(), 0644);
    const auto inodeBefore = inodeOf(path);

    auto registry = openFileRegistry(path);
    auto key = registry->openKey(kProduct, RegAccess::All);
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(setNumber(*key, "SCANTIME", 500));
    const auto inodeAfterFirst = inodeOf(path);
    EXPECT_NE(inodeAfterFirst, inodeBefore);  // replaced by rename, not written in place
    EXPECT_EQ(fileMode(path), 0600u);
    // Writing what is already stored leaves the file alone.
    ASSERT_TRUE(setNumber(*key, "SCANTIME", 500));
    EXPECT_EQ(inodeOf(path), inodeAfterFirst);

    // Only the store and its lock remain: no temporary file is left behind.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"registry.reg", "registry.reg.lock"}));
}

// The store may be a link, say into a folder shared by several installs:
// writes go to the file the links lead to, so every program keeps one store.
TEST(FileRegistry, WritesThroughLinksToTheFileTheyLeadTo) {
    namespace fs = std::filesystem;
    TempFolder folder;
    fs::create_directories(folder.file("shared"));
    const auto target = folder.file("shared/registry.reg");
    writeFile(target, "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkor\\Oculara]\n\n");
    const auto link = folder.file("registry.reg");
    fs::create_symlink("shared/registry.reg", link);
    const auto chain = folder.file("chain.reg");
    fs::create_symlink(link, chain);

    auto viaChain = openFileRegistry(chain)->openKey(kProduct, RegAccess::All);
    ASSERT_NE(viaChain, nullptr);
    ASSERT_TRUE(setNumber(*viaChain, "SCANTIME", 500));
    EXPECT_TRUE(fs::is_symlink(chain));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fileMode(target), 0600u);

    auto direct = openFileRegistry(target)->openKey(kProduct, RegAccess::All);
    ASSERT_NE(direct, nullptr);
    uint32_t value = 0;
    EXPECT_TRUE(queryNumber(*direct, "SCANTIME", &value));
    EXPECT_EQ(value, 500u);
    // One update lock for every way of naming the store.
    EXPECT_TRUE(fs::exists(target + ".lock"));
    EXPECT_FALSE(fs::exists(link + ".lock"));
    EXPECT_FALSE(fs::exists(chain + ".lock"));
}

TEST(FileRegistry, ALinkToAMissingStoreIsNeverReplaced) {
    namespace fs = std::filesystem;
    TempFolder folder;
    // A missing target in an existing folder is made there, as any write
    // through a link would.
    const auto link = folder.file("registry.reg");
    fs::create_symlink("made.reg", link);
    ASSERT_NE(openFileRegistry(link)->createKey(kProduct), nullptr);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_NE(readText(folder.file("made.reg")).find("Oculara"), std::string::npos);

    // Into a folder that is not there (a share not mounted) or round in a
    // loop, the write fails and the link stays.
    const auto away = folder.file("away.reg");
    fs::create_symlink("unmounted/registry.reg", away);
    const auto loop = folder.file("loop.reg");
    fs::create_symlink("loop.reg", loop);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(openFileRegistry(away)->createKey(kProduct), nullptr);
    EXPECT_EQ(openFileRegistry(loop)->createKey(kProduct), nullptr);
    const auto messages = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(fs::is_symlink(away));
    EXPECT_FALSE(fs::exists(folder.file("unmounted")));
    EXPECT_TRUE(fs::is_symlink(loop));
    EXPECT_NE(messages.find(away), std::string::npos) << messages;
    EXPECT_NE(messages.find(loop), std::string::npos) << messages;
}

// Temporary files beside `path` of the form its writers make.
std::vector<std::string> temporariesOf(const std::string& path) {
    const auto name = std::filesystem::path(path).filename().string() + ".tmp-";
    std::vector<std::string> found;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(path).parent_path())) {
        if (entry.path().filename().string().starts_with(name)) {
            found.push_back(entry.path().string());
        }
    }
    return found;
}

// Kills and reaps a child when the test leaves its scope, however it leaves.
struct KilledAtExit {
    pid_t pid;
    ~KilledAtExit() {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
};

// A writer killed before its rename leaves its temporary file; the next
// write removes it, but never the file of a writer still at work, nor other
// files beside the store.
TEST(StoreFile, NextWriteRemovesTheTemporaryFilesOfKilledWritersOnly) {
    TempFolder folder(memoryBackedFolder());
    const auto path = folder.file("registry.reg");
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        const std::string big(8 << 20, 'x');
        for (std::string error;;) {
            writeFileAtomically(path, big, 0600, &error);
        }
    }
    std::vector<std::string> temps;
    {
        const KilledAtExit killer{writer};  // it never ends by itself
        // Stop the writer in the middle of writing its temporary file.
        for (int i = 0; i < 1000 && temps.empty(); ++i) {
            ASSERT_EQ(::kill(writer, SIGSTOP), 0);
            int status = 0;
            ASSERT_EQ(::waitpid(writer, &status, WUNTRACED), writer);
            temps = temporariesOf(path);
            std::error_code ec;
            if (temps.size() != 1 || std::filesystem::file_size(temps[0], ec) == 0) {
                temps.clear();
                ::kill(writer, SIGCONT);
                ::usleep(1000);
            }
        }
        ASSERT_EQ(temps.size(), 1u);
        std::string error;
        ASSERT_TRUE(writeFileAtomically(path, "while it is stopped", 0600, &error)) << error;
        EXPECT_TRUE(std::filesystem::exists(temps[0])) << "a live writer's file was removed";
    }
    ASSERT_TRUE(std::filesystem::exists(temps[0]));
    writeFile(path + ".backup", "a copy of the user's");
    writeFile(path + ".tmp-mine", "not six characters of a writer");
    std::string error;
    ASSERT_TRUE(writeFileAtomically(path, "after it was killed", 0600, &error)) << error;
    EXPECT_EQ(temporariesOf(path), std::vector<std::string>{path + ".tmp-mine"});
    EXPECT_EQ(readText(path), "after it was killed");
    EXPECT_EQ(readText(path + ".backup"), "a copy of the user's");
}

TEST(FileRegistry, MalformedFileIsRefusedAndNeverOverwritten) {
    TempFolder folder;
    const auto path = folder.file("registry.reg");
    writeFile(path, "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkor\\Oculara]\n");
    auto registry = openFileRegistry(path);
    auto key = registry->openKey(kProduct, RegAccess::All);
    ASSERT_NE(key, nullptr);

    const std::string broken =
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkor\\Oculara]\n\"SCANTIME\"=dword:1f4\n";
    writeFile(path, broken);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(registry->openKey(kProduct, RegAccess::Read), nullptr);
    EXPECT_EQ(registry->createKey(kProduct), nullptr);
    EXPECT_FALSE(setNumber(*key, "BRIGHTNESS", 1));
    uint32_t number = 0;
    EXPECT_FALSE(queryNumber(*key, "SCANTIME", &number));
    const auto messages = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find(path + ", line 4: dword value needs exactly 8 hex digits"),
              std::string::npos)
        << messages;
    EXPECT_EQ(readText(path), broken);
}

TEST(FileRegistry, DefaultPathFollowsTheEnvironment) {
    {
        test::ScopedEnv store("ZELKOR_REGISTRY", "/srv/store.reg");
        EXPECT_EQ(defaultRegistryPath(), "/srv/store.reg");
    }
    test::ScopedEnv store("ZELKOR_REGISTRY", "");
    {
        test::ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg");
        EXPECT_EQ(defaultRegistryPath(), "/cfg/zelkor/registry.reg");
    }
    test::ScopedEnv xdg("XDG_CONFIG_HOME", "relative/ignored");
    test::ScopedEnv home("HOME", "/home/guard");
    EXPECT_EQ(defaultRegistryPath(), "/home/guard/.config/zelkor/registry.reg");
}

// Two writer processes each count their own value up, and now and then add
// a value of their own, while this process reads: a read must always parse
// and show counts that never go back, and at the end every write of both
// writers is there (neither lost the other's).
TEST(FileRegistry, ConcurrentWritersAndReaderAcrossProcesses) {
    TempFolder folder(memoryBackedFolder());
    const auto path = folder.file("registry.reg");
    ASSERT_NE(openFileRegistry(path)->createKey(kProduct), nullptr);
    constexpr uint32_t kWrites = 1000;
    constexpr uint32_t kAddEvery = 10;
    const std::string names[] = {"COUNTA", "COUNTB"};

    for (int w = 0; w < 2; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            auto registry = openFileRegistry(path);
            for (uint32_t i = 1; i <= kWrites; ++i) {
                auto key = registry->createKey(kProduct);
                if (key == nullptr || !setNumber(*key, names[w], i) ||
                    (i % kAddEvery == 0 && !setNumber(*key, names[w] + std::to_string(i), i))) {
                    ::_exit(1);
                }
            }
            ::_exit(0);
        }
    }

    auto registry = openFileRegistry(path);
    uint32_t last[2] = {0, 0};
    int reads = 0;
    bool readFailed = false;
    int running = 2;
    while (running > 0) {
        auto key = registry->openKey(kProduct, RegAccess::Read);
        readFailed = readFailed || key == nullptr;
        for (int w = 0; key != nullptr && w < 2; ++w) {
            uint32_t value = 0;
            if (queryNumber(*key, names[w], &value)) {
                EXPECT_GE(value, last[w]) << names[w];
                EXPECT_LE(value, kWrites) << names[w];
                last[w] = value;
            }
        }
        ++reads;
        int status = 0;
        if (::waitpid(-1, &status, WNOHANG) > 0) {
            --running;
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer failed";
        }
    }
    EXPECT_FALSE(readFailed);
    EXPECT_GT(reads, 10);
    auto key = registry->openKey(kProduct, RegAccess::Read);
    ASSERT_NE(key, nullptr);
    int lost = 0;
    for (const auto& name : names) {
        uint32_t count = 0;
        lost += queryNumber(*key, name, &count) && count == kWrites ? 0 : 1;
        for (uint32_t i = kAddEvery; i <= kWrites; i += kAddEvery) {
            uint32_t value = 0;
            lost += queryNumber(*key, name + std::to_string(i), &value) && value == i ? 0 : 1;
        }
    }
    EXPECT_EQ(lost, 0);
}

}  // namespace
}  // namespace zelkor::platform
