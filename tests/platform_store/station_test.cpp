// Stations: which names are taken, where each station's files are, and how
// the option is read from a command line.
#include "platform/station.h"

#include <unistd.h>

#include <string>
#include <vector>

#include "tests/platform_store/store_test_support.h"

namespace zelkor::platform {
namespace {

using test::ScopedEnv;

TEST(Station, NamesAreShortAndSafeInFilesSocketsAndCommandLines) {
    for (const char* good : {"A", "gate-2", "back_yard", "0123456789abcdefghijABCDEFGHIJ_-"}) {
        EXPECT_TRUE(validStationName(good)) << good;
    }
    for (const char* bad : {"", "a b", "../x", "a/b", "a.b", "tür", "x;rm", "\t",
                            "0123456789abcdefghijABCDEFGHIJ_-x"}) {
        EXPECT_FALSE(validStationName(bad)) << bad;
    }
    EXPECT_FALSE(validStationName(std::string_view("a\0b", 3)));
}

TEST(Station, EachStationHasItsOwnStoreCardFileAndClass) {
    EXPECT_EQ(stationStorePath("/cfg/zelkor/registry.reg", ""), "/cfg/zelkor/registry.reg");
    EXPECT_EQ(stationStorePath("/cfg/zelkor/registry.reg", "A"), "/cfg/zelkor/registry-A.reg");
    EXPECT_EQ(stationStorePath("/srv/test.store", "gate-2"), "/srv/test-gate-2.store");
    EXPECT_EQ(stationStorePath("", "A"), "");
    EXPECT_EQ(stationCardPath("/cfg/zelkor/registry-A.reg", "A"), "/cfg/zelkor/vcard-A.ini");
    EXPECT_EQ(stationCardPath("/cfg/zelkor/registry.reg", ""), "");
    EXPECT_EQ(stationClass("ZelkorVorrak", ""), "ZelkorVorrak");
    EXPECT_EQ(stationClass("ZelkorVorrak", "A"), "ZelkorVorrak.A");
    EXPECT_EQ(stationLabel("A"), "A");
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    EXPECT_EQ(stationLabel(""), host);
}

TEST(Station, ItsOwnCardFileWinsOverTheEnvironmentsOnlyWhenItExists) {
    zelkor::testing::TempDir dir;
    ScopedEnv store("ZELKOR_REGISTRY", dir.file("registry.reg").c_str());
    EXPECT_EQ(stationCardConfig("A", "/etc/shared.ini"), "/etc/shared.ini");
    EXPECT_EQ(stationCardConfig("A", nullptr), "");
    const std::string own = dir.write("vcard-A.ini", "[composite]\n");
    EXPECT_EQ(stationCardConfig("A", "/etc/shared.ini"), own);
    EXPECT_EQ(stationCardConfig("B", "/etc/shared.ini"), "/etc/shared.ini");
    EXPECT_EQ(stationCardConfig("", "/etc/shared.ini"), "/etc/shared.ini");
}

struct Parsed {
    bool ok = false;
    std::string station;
    std::vector<std::string> rest;
};

Parsed take(std::vector<std::string> words) {
    std::vector<char*> argv;
    for (auto& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    int argc = int(words.size());
    Parsed parsed;
    std::string error;
    parsed.ok = takeStationArgument(argc, argv.data(), &parsed.station, &error);
    EXPECT_EQ(parsed.ok, error.empty()) << error;
    if (parsed.ok) {
        EXPECT_EQ(argv[argc], nullptr);
        parsed.rest.assign(argv.begin() + 1, argv.begin() + argc);
    }
    return parsed;
}

TEST(Station, TheOptionIsTakenOutAndTheRestKeptInOrder) {
    const Parsed both = take({"dial", "--station", "A", "17"});
    EXPECT_TRUE(both.ok);
    EXPECT_EQ(both.station, "A");
    EXPECT_EQ(both.rest, (std::vector<std::string>{"17"}));
    const Parsed joined = take({"VrakSetup", "--workdir", "/w", "--station=gate-2", "X=1"});
    EXPECT_EQ(joined.station, "gate-2");
    EXPECT_EQ(joined.rest, (std::vector<std::string>{"--workdir", "/w", "X=1"}));
    const Parsed none = take({"Histran", "-platform", "offscreen"});
    EXPECT_TRUE(none.ok);
    EXPECT_EQ(none.station, "");
    EXPECT_EQ(none.rest.size(), 2u);
    for (const auto& bad :
         std::vector<std::vector<std::string>>{{"Vorrak", "--station"},
                                               {"Vorrak", "--station", ""},
                                               {"Vorrak", "--station=a/b"},
                                               {"Vorrak", "--station", "A", "--station", "B"}}) {
        EXPECT_FALSE(take(bad).ok) << bad.back();
    }
}

}  // namespace
}  // namespace zelkor::platform
