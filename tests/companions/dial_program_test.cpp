// The real dialer against a fake modem on a pseudo-terminal: the commands
// that reach the line, and how a refusing, silent or missing modem ends it.

#include <gtest/gtest.h>

#include "tests/companions/companion_run.h"
#include "tests/companions/fake_modem.h"

namespace zelkor::testing {
namespace {

using Commands = std::vector<std::string>;

class DialProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty_.ok());
        rig_.setText("PHONENUMBER", "+49 30 123");
        rig_.setText("MODEMDEVICE", pty_.device());
        rig_.setNumber("RINGSECONDS", 1);
    }
    RunResult dial(std::map<std::string, std::string> script,
                   std::vector<std::string> args = {"5"}) {
        FakeModem modem(pty_.master(), std::move(script), true);
        auto r = rig_.run("dial", std::move(args), {"ZELKOR_MODEM_TIMEOUT_MS=500"});
        // The modem may still be reading the last command.
        for (int i = 0; i < 50 && modem.bytesReceived() > bytesOf(modem.commands()); ++i) {
            ::usleep(10000);
        }
        commands_ = modem.commands();
        bytes_ = modem.bytesReceived();
        return r;
    }
    static size_t bytesOf(const Commands& commands) {
        size_t n = 0;
        for (const auto& c : commands) {
            n += c.size() + 1;
        }
        return n;
    }
    void expectFailed(const RunResult& r, const std::string& reason) {
        EXPECT_EQ(r.status, 1) << r.stderrText;
        EXPECT_EQ(r.stderrText, "dial: " + reason + "\n");
        EXPECT_LT(r.seconds, 10.0);
    }

    PseudoTerminal pty_;
    CompanionRig rig_;
    Commands commands_;
    size_t bytes_ = 0;
};

TEST_F(DialProgram, ResetsDialsTheStoredNumberRingsAndHangsUp) {
    const auto r = dial({});
    EXPECT_EQ(r.status, 0) << r.stderrText;
    EXPECT_EQ(commands_, (Commands{"ATZ", "ATD+4930123;", "ATH"}));
    EXPECT_GE(r.seconds, 1.0) << "RINGSECONDS";
}

TEST_F(DialProgram, BusyErrorAndSilenceEachEndItNonZero) {
    expectFailed(dial({{"ATD", "\r\nBUSY\r\n"}}), "the modem answered ATD+4930123; with BUSY");
    EXPECT_EQ(commands_, (Commands{"ATZ", "ATD+4930123;", "ATH"}));
    expectFailed(dial({{"ATZ", "\r\nERROR\r\n"}}), "the modem answered ATZ with ERROR");
    EXPECT_EQ(commands_, Commands{"ATZ"});
    expectFailed(dial({{"ATZ", ""}}), "no answer from the modem to ATZ within 500 ms");
    EXPECT_EQ(commands_, Commands{"ATZ"});
}

TEST_F(DialProgram, NumbersWithLettersOrSemicolonsAreRefusedWithNothingWritten) {
    for (const std::string number : {"0800 CALL ME", "0123;ATH", "0123\rATD999"}) {
        rig_.setText("PHONENUMBER", number);
        const auto r = dial({});
        EXPECT_EQ(r.status, 2) << number;
        EXPECT_NE(r.stderrText.find("PHONENUMBER may hold only"), std::string::npos)
            << r.stderrText;
        EXPECT_EQ(bytes_, 0u) << number;
    }
    rig_.setText("PHONENUMBER", "");
    const auto r = dial({});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.stderrText, "dial: no PHONENUMBER to dial; set it with VrakSetup\n");
    EXPECT_EQ(bytes_, 0u);
}

TEST_F(DialProgram, OverlongRingTimeAndBadArgumentsAreRefusedWithNothingWritten) {
    rig_.setNumber("RINGSECONDS", 301);
    auto r = dial({});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.stderrText, "dial: RINGSECONDS is 301; at most 300\n");
    EXPECT_EQ(bytes_, 0u);
    rig_.setNumber("RINGSECONDS", 1);
    r = dial({}, {"5", "6"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(bytes_, 0u);
}

// A call that never rang is no alarm: a ring time below the table's
// minimum is refused like one above its maximum, before the modem is touched.
TEST_F(DialProgram, AZeroRingTimeIsRefusedWithNothingWritten) {
    rig_.setNumber("RINGSECONDS", 0);
    const auto r = dial({});
    EXPECT_EQ(r.status, 2) << r.stderrText;
    EXPECT_EQ(r.stderrText, "dial: RINGSECONDS is 0; at least 1\n");
    EXPECT_EQ(bytes_, 0u);
    EXPECT_TRUE(commands_.empty());
}

TEST_F(DialProgram, AMissingOrNonSerialDeviceEndsItNonZero) {
    rig_.setText("MODEMDEVICE", rig_.dir().file("ttyNone"));
    auto r = rig_.run("dial");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.stderrText.starts_with("dial: cannot open the modem ")) << r.stderrText;
    rig_.setText("MODEMDEVICE", rig_.dir().write("plain-file", "ATZ"));
    r = rig_.run("dial");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.stderrText.find("is not a serial line"), std::string::npos) << r.stderrText;
}

TEST_F(DialProgram, ASecondDialerOnTheSameModemGivesUpAtOnce) {
    FakeModem modem(pty_.master(), {}, true);
    rig_.setNumber("RINGSECONDS", 3);
    auto first = rig_.start("dial");
    for (int i = 0; i < 300 && modem.commands().size() < 2; ++i) {
        ::usleep(10000);
    }
    ASSERT_EQ(modem.commands().size(), 2u) << "the first call rings";
    const auto second = rig_.run("dial");
    EXPECT_EQ(second.status, 1);
    EXPECT_NE(second.stderrText.find("is in use by another program"), std::string::npos)
        << second.stderrText;
    EXPECT_EQ(first->wait(), 0);
    EXPECT_EQ(modem.commands(), (Commands{"ATZ", "ATD+4930123;", "ATH"}))
        << "nothing of the second dialer reached the line";
}

}  // namespace
}  // namespace zelkor::testing
