// The companions' stored values: VrakSetup takes them, the programs read
// them with the store's rules, and the shared command-line and time-out
// rules.

#include <gtest/gtest.h>
#include <stdlib.h>

#include "tests/companions/companion_run.h"
#include "tools/companions/companion_run.h"
#include "tools/companions/companion_values.h"

namespace zelkor::tools {
namespace {

TEST(StoredValues, MissingOrOverlongValuesReadAsTheirDefaults) {
    testing::CompanionRig rig;
    rig.setText("SMTPUSER", "watch");
    rig.setText("SMTPPASSWORD", std::string(255, 'p'));
    rig.setNumber("RINGSECONDS", 12);
    const auto registry = platform::openFileRegistry(rig.storePath());
    StoredValues values(*registry);
    ASSERT_TRUE(values.opened());
    EXPECT_EQ(values.text("SMTPUSER"), "watch");
    EXPECT_EQ(values.text("SMTPPASSWORD"), "") << "255 characters and a zero overflow 255 bytes";
    EXPECT_EQ(values.number("RINGSECONDS"), 12u);
    EXPECT_EQ(values.text("MODEMDEVICE"), "/dev/ttyACM0");
    EXPECT_EQ(values.text("EMAILBODY"), "Zelkor Oculara Warning....");
    EXPECT_EQ(values.number("EMAILNOTIFY"), 0u);
}

TEST(StoredValues, WithoutTheProductKeyEverythingIsDefault) {
    testing::CompanionRig rig;
    const auto registry = platform::openFileRegistry(rig.storePath());
    StoredValues values(*registry);
    EXPECT_FALSE(values.opened());
    EXPECT_EQ(values.number("RINGSECONDS"), 30u);
    EXPECT_EQ(values.text("SMTPSERVER"), "");
}

TEST(StoredValues, CompanionNamesAreFoundBesideVorraksAndNotInIt) {
    ASSERT_NE(FindStoredValue("smtpserver"), nullptr);
    EXPECT_EQ(FindStoredValue("smtpserver")->name, "SMTPSERVER");
    EXPECT_EQ(FindStoredValue("EMAILADDRESS"), vorrak::FindSetting("EMAILADDRESS"));
    EXPECT_EQ(FindStoredValue("SMTPHOST"), nullptr);
    EXPECT_EQ(FindStoredValue("STOREIMAGEFILENAME"), nullptr) << "only Vorrak writes it";
    for (const auto& entry : CompanionSettings()) {
        EXPECT_EQ(vorrak::FindSetting(entry.name), nullptr)
            << entry.name << ": Vorrak's settings do not load it";
    }
}

TEST(CompanionCommandLine, TakesNothingOrOneEventNumber) {
    using Args = std::vector<std::string_view>;
    EXPECT_TRUE(ParseEventArgument(Args{}).ok);
    EXPECT_FALSE(ParseEventArgument(Args{}).event);
    EXPECT_EQ(ParseEventArgument(Args{"17"}).event, 17u);
    for (const Args& bad : {Args{"0"}, Args{"-1"}, Args{"x"}, Args{"1x"}, Args{""},
                            Args{"4294967296"}, Args{"1", "2"}}) {
        EXPECT_FALSE(ParseEventArgument(bad).ok) << bad.size() << " " << bad[0];
    }
}

TEST(CompanionTimeOut, TheEnvironmentCanOnlyShortenIt) {
    ::unsetenv("ZELKOR_TEST_TIMEOUT_MS");
    EXPECT_EQ(TimeoutFromEnvironment("ZELKOR_TEST_TIMEOUT_MS", 15000), 15000);
    ::setenv("ZELKOR_TEST_TIMEOUT_MS", "250", 1);
    EXPECT_EQ(TimeoutFromEnvironment("ZELKOR_TEST_TIMEOUT_MS", 15000), 250);
    ::setenv("ZELKOR_TEST_TIMEOUT_MS", "99999", 1);
    EXPECT_EQ(TimeoutFromEnvironment("ZELKOR_TEST_TIMEOUT_MS", 15000), 15000);
    ::setenv("ZELKOR_TEST_TIMEOUT_MS", "25x", 1);
    EXPECT_EQ(TimeoutFromEnvironment("ZELKOR_TEST_TIMEOUT_MS", 15000), 15000);
    ::unsetenv("ZELKOR_TEST_TIMEOUT_MS");
}

TEST(VrakSetupCompanionValues, AreStoredAndChecked) {
    testing::CompanionRig rig;
    const std::string work = rig.dir().file("work");
    auto r =
        rig.run("VrakSetup", {"--workdir", work, "SMTPSERVER=smtps://mail.example.org:465",
                              "smtpfrom=guard@example.org", "SMTPUSER=watch", "SMTPPASSWORD=s3cret",
                              "MODEMDEVICE=/dev/ttyUSB1", "RINGSECONDS=45"});
    ASSERT_EQ(r.status, 0) << r.stderrText;
    const auto registry = platform::openFileRegistry(rig.storePath());
    StoredValues values(*registry);
    EXPECT_EQ(values.text("SMTPSERVER"), "smtps://mail.example.org:465");
    EXPECT_EQ(values.text("SMTPFROM"), "guard@example.org");
    EXPECT_EQ(values.text("SMTPUSER"), "watch");
    EXPECT_EQ(values.text("SMTPPASSWORD"), "s3cret");
    EXPECT_EQ(values.text("MODEMDEVICE"), "/dev/ttyUSB1");
    EXPECT_EQ(values.number("RINGSECONDS"), 45u);

    r = rig.run("VrakSetup", {"--workdir", work, "SMTPPASSWORD=" + std::string(255, 'p')});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.stderrText.find("SMTPPASSWORD holds at most 254 characters"), std::string::npos)
        << r.stderrText;
    r = rig.run("VrakSetup", {"--workdir", work, "RINGSECONDS=soon"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(StoredValues(*registry).text("SMTPPASSWORD"), "s3cret") << "nothing was written";
}

}  // namespace
}  // namespace zelkor::tools
