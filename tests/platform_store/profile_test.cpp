#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/ini_document.h"
#include "platform/profile.h"
#include "tests/platform_store/store_test_support.h"

namespace zelkor::platform {
namespace {

using test::dataFile;
using test::fileMode;
using test::TempFolder;
using test::writeFile;
using zelkor::testing::readText;

// The edits that turn system_before.ini into system_after.ini: two values
// changed in place, keys added to existing sections, one new section.
template <typename Set>
void applySampleEdits(Set set) {
    EXPECT_TRUE(set("ZELKORCAP.DRV", "brightness", "130"));
    EXPECT_TRUE(set("Zelkorcap.drv", "VideoConnector", "1002"));
    EXPECT_TRUE(set("Zelkorcap.drv", "Hue", "128"));
    EXPECT_TRUE(set("drivers", "timer", "timer.drv"));
    EXPECT_TRUE(set("386Enh", "woafont", "dosapp.fon"));
}

TEST(IniDocument, UnchangedDocumentGivesBackItsBytes) {
    const std::string odd = "a=1\r\nlone\rcarriage\n\n[s]\r\n  k = v  \nno end";
    EXPECT_EQ(IniDocument::parse(odd).format(), odd);
    EXPECT_EQ(IniDocument::parse("").format(), "");
}

TEST(IniDocument, EditsKeepEverythingElseByteForByte) {
    auto doc = IniDocument::parse(dataFile("system_before.ini"));
    applySampleEdits([&](auto s, auto k, auto v) { return doc.set(s, k, v); });
    const auto expected = dataFile("system_after.ini");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(doc.format(), expected);
}

TEST(IniDocument, LookupRules) {
    const auto doc = IniDocument::parse(
        "orphan=1\n"
        "[Intl]\n"
        ";iCountry=7\n"
        "  iCountry  =   81  \n"
        "sLanguage=\"jpn\"\n"
        "sQuoted='x'\n"
        "sHalf=\"x\n"
        "sEmpty=\n"
        "iCountry=99\n"
        "[ Other ]\n"
        "iCountry=1\n"
        "[intl]\n"
        "sLate=yes\n");
    EXPECT_EQ(doc.get("intl", "ICOUNTRY"), "81");  // the first line wins
    EXPECT_EQ(doc.get("Intl", "sLanguage"), "jpn");
    EXPECT_EQ(doc.get("Intl", "sQuoted"), "x");
    EXPECT_EQ(doc.get("Intl", "sHalf"), "\"x");
    EXPECT_EQ(doc.get("Intl", "sEmpty"), "");
    EXPECT_EQ(doc.get("Other", "iCountry"), "1");
    EXPECT_EQ(doc.get("Intl", "sLate"), "yes");  // a repeated section continues it
    EXPECT_EQ(doc.get("Intl", "orphan"), std::nullopt);
    EXPECT_EQ(doc.get("Intl", "missing"), std::nullopt);
    EXPECT_EQ(doc.get("Nowhere", "iCountry"), std::nullopt);
}

TEST(IniDocument, NewKeysAndSectionsFitTheFile) {
    auto empty = IniDocument::parse("");
    EXPECT_TRUE(empty.set("Zelkorcap.drv", "NOOV", "0"));
    EXPECT_EQ(empty.format(), "[Zelkorcap.drv]\nNOOV=0\n");

    // A section without keys gets the key right under its header; a last
    // line without a line end gets one before anything follows it.
    auto doc = IniDocument::parse("[a]\r\n; note\r\n[b]\r\nx=1");
    EXPECT_TRUE(doc.set("A", "k", "v"));
    EXPECT_TRUE(doc.set("b", "y", "2"));
    EXPECT_EQ(doc.format(), "[a]\r\nk=v\r\n; note\r\n[b]\r\nx=1\r\ny=2\r\n");
}

TEST(IniDocument, RefusesWritesThatWouldNotReadBack) {
    auto doc = IniDocument::parse("[s]\nk=v\n");
    EXPECT_FALSE(doc.set("s", "k", "1\n[evil]\nk=2"));
    EXPECT_FALSE(doc.set("s", "a=b", "1"));
    EXPECT_FALSE(doc.set("s", ";k", "1"));
    EXPECT_FALSE(doc.set("s", "[k", "1"));
    EXPECT_FALSE(doc.set("s", " k", "1"));
    EXPECT_FALSE(doc.set("s", "", "1"));
    EXPECT_FALSE(doc.set("s]x", "k", "1"));
    EXPECT_FALSE(doc.set("", "k", "1"));
    EXPECT_EQ(doc.format(), "[s]\nk=v\n");
}

TEST(IniDocument, ProfileIntReadsLeadingDigits) {
    EXPECT_EQ(profileInt("81", 0), 81);
    EXPECT_EQ(profileInt("81abc", 0), 81);
    EXPECT_EQ(profileInt("abc", 5), 0);
    EXPECT_EQ(profileInt("-49", 0), -49);
    EXPECT_EQ(profileInt("+7x", 0), 7);
    EXPECT_EQ(profileInt("-", 3), 0);
    EXPECT_EQ(profileInt("4294967297", 0), 1);  // wraps like a 32-bit number
    EXPECT_EQ(profileInt("", 5), 5);
    EXPECT_EQ(profileInt(std::nullopt, 5), 5);
}

TEST(FileProfile, ReadsWinIniWhateverItsCase) {
    TempFolder folder;
    auto profile = openFileProfile(folder.path());
    EXPECT_EQ(profile->windowsDirectory(), folder.path());
    EXPECT_EQ(profile->getProfileInt("Intl", "iCountry", 0), 0);  // no win.ini yet
    writeFile(folder.file("WIN.INI"), "[intl]\r\niCountry=81\r\n");
    EXPECT_EQ(profile->getProfileInt("Intl", "iCountry", 0), 81);
    EXPECT_EQ(profile->getProfileInt("Intl", "iDate", 4), 4);
    EXPECT_EQ(profile->getPrivateProfileString("INTL", "icountry", "Win.ini"), "81");
    EXPECT_EQ(profile->getPrivateProfileString("Intl", "iCountry", "../WIN.INI"), std::nullopt);
}

TEST(FileProfile, WritesKeepTheFileAndItsSpelling) {
    TempFolder folder;
    const auto path = folder.file("system.ini");
    writeFile(path, dataFile("system_before.ini"));
    ::chmod(path.c_str(), 0640);
    auto profile = openFileProfile(folder.path());
    applySampleEdits([&](auto s, auto k, auto v) {
        return profile->writePrivateProfileString(s, k, v, "System.ini");
    });
    EXPECT_EQ(readText(path), dataFile("system_after.ini"));
    EXPECT_FALSE(std::filesystem::exists(folder.file("System.ini")));
    EXPECT_EQ(fileMode(path), 0640u);
    EXPECT_EQ(profile->getPrivateProfileString("zelkorcap.drv", "HUE", "SYSTEM.INI"), "128");
}

TEST(FileProfile, WritesThroughALinkAndKeepsIt) {
    TempFolder folder;
    const auto target = folder.file("system-shared.ini");
    writeFile(target, "[Zelkorcap.drv]\nNOOV=0\n");
    ::chmod(target.c_str(), 0640);
    std::filesystem::create_directories(folder.file("windows"));
    const auto link = folder.file("windows/system.ini");
    std::filesystem::create_symlink("../system-shared.ini", link);
    auto profile = openFileProfile(folder.file("windows"));
    ASSERT_TRUE(profile->writePrivateProfileString("Zelkorcap.drv", "NOOV", "1", "system.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readText(target), "[Zelkorcap.drv]\nNOOV=1\n");
    EXPECT_EQ(fileMode(target), 0640u);
}

TEST(FileProfile, CreatesFolderAndFileAndRefusesOutsideNames) {
    TempFolder folder;
    const auto windir = folder.file("windows");
    auto profile = openFileProfile(windir);
    EXPECT_TRUE(profile->writePrivateProfileString("Zelkorcap.drv", "NOOV", "0", "system.ini"));
    EXPECT_EQ(readText(windir + "/system.ini"), "[Zelkorcap.drv]\nNOOV=0\n");
    EXPECT_EQ(fileMode(windir + "/system.ini"), 0644u);
    EXPECT_FALSE(profile->writePrivateProfileString("s", "k", "v", "../escape.ini"));
    EXPECT_FALSE(profile->writePrivateProfileString("s", "k", "v", ".."));
    EXPECT_FALSE(std::filesystem::exists(folder.file("escape.ini")));

    EXPECT_FALSE(openFileProfile("")->writePrivateProfileString("s", "k", "v", "system.ini"));
    EXPECT_EQ(openFileProfile("")->windowsDirectory(), std::nullopt);
}

TEST(FileProfile, DefaultWindowsDirectoryFollowsTheEnvironment) {
    {
        test::ScopedEnv windir("ZELKOR_WINDIR", "/srv/windows");
        EXPECT_EQ(defaultWindowsDirectory(), "/srv/windows");
    }
    test::ScopedEnv windir("ZELKOR_WINDIR", nullptr);
    test::ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(defaultWindowsDirectory(), "/cfg/zelkor");
}

}  // namespace
}  // namespace zelkor::platform
