// The dialer's number check and its AT dialogue, the modem being a scripted
// fake on the other end of a socket pair.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>

#include "tests/companions/fake_modem.h"
#include "tools/dial/modem_dialogue.h"
#include "tools/dial/phone_number.h"

namespace zelkor::tools {
namespace {

using testing::FakeModem;
using Commands = std::vector<std::string>;

TEST(PhoneNumber, KeepsDiallingCharactersAndDropsBlanks) {
    std::string error;
    EXPECT_EQ(DialString("+49 30 1234567", &error), "+49301234567");
    EXPECT_EQ(DialString("\t*31# 0123,,456 ", &error), "*31#0123,,456");
    EXPECT_EQ(DialString("5", &error), "5");
}

TEST(PhoneNumber, RefusesAnythingThatCouldBeAnotherCommand) {
    for (const std::string_view bad : {"0123;ATH", "0800 CALL ME", "0123\rATZ", "0123\n", "0123p",
                                       "T0123", "W0123", "0123!", "01-23"}) {
        std::string error;
        EXPECT_FALSE(DialString(bad, &error)) << bad;
        EXPECT_NE(error.find("PHONENUMBER may hold only"), std::string::npos) << error;
        EXPECT_EQ(error.find_first_of("\r\n"), std::string::npos) << "one line: " << error;
    }
}

TEST(PhoneNumber, RefusesANumberWithoutDigits) {
    std::string error;
    EXPECT_FALSE(DialString("", &error));
    EXPECT_NE(error.find("no PHONENUMBER"), std::string::npos) << error;
    EXPECT_FALSE(DialString(" +*#, ", &error));
    EXPECT_EQ(error, "PHONENUMBER holds no digit");
}

// One call over a socket pair: the dialer's end and the modem's end.
class Dialogue : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds_), 0); }
    void TearDown() override {
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    DialResult call(std::map<std::string, std::string> script, bool echo = false) {
        FakeModem modem(fds_[1], std::move(script), echo);
        const auto start = std::chrono::steady_clock::now();
        result_ = PlaceCall(fds_[0], "+4930123", timing_);
        elapsedMs_ = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - start)
                         .count();
        // Let the modem read the last command before it is stopped.
        for (int i = 0; i < 100 && modem.commands().size() < expectedCommands_; ++i) {
            ::usleep(10000);
        }
        commands_ = modem.commands();
        return result_;
    }

    int fds_[2] = {-1, -1};
    DialTiming timing_{300, 200};
    DialResult result_;
    Commands commands_;
    size_t expectedCommands_ = 3;
    long long elapsedMs_ = 0;
};

TEST_F(Dialogue, ResetsDialsAVoiceCallRingsAndHangsUp) {
    const auto r = call({});
    EXPECT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(commands_, (Commands{"ATZ", "ATD+4930123;", "ATH"}));
    EXPECT_GE(elapsedMs_, timing_.ringMs) << "the telephone rings its time before the hang-up";
}

TEST_F(Dialogue, SkipsEchoesAndReportsThatAreNoFinalResult) {
    const auto r =
        call({{"ATZ", "\r\n\r\nRING\r\n+CRING: VOICE\r\nOK\r\n"}, {"ATD", "\r\nOK\r\n\r\nOK\r\n"}},
             true);
    EXPECT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(commands_, (Commands{"ATZ", "ATD+4930123;", "ATH"}));
    EXPECT_GE(elapsedMs_, timing_.ringMs) << "a stray OK does not cut the ringing short";
}

TEST_F(Dialogue, EachRefusalEndsTheCallWithItsReason) {
    const std::vector<std::pair<std::map<std::string, std::string>, std::string>> cases = {
        {{{"ATD", "\r\nBUSY\r\n"}}, "the modem answered ATD+4930123; with BUSY"},
        {{{"ATD", "\r\nNO DIALTONE\r\n"}}, "the modem answered ATD+4930123; with NO DIALTONE"},
        {{{"ATD", "\r\n+CME ERROR: 30\r\n"}},
         "the modem answered ATD+4930123; with +CME ERROR: 30"},
        {{{"ATD", "\r\nOK\r\n\r\nNO CARRIER\r\n"}}, "the call ended while ringing: NO CARRIER"},
    };
    for (const auto& [script, reason] : cases) {
        const auto r = call(script);
        EXPECT_FALSE(r.ok) << reason;
        EXPECT_EQ(r.reason, reason);
        EXPECT_EQ(commands_, (Commands{"ATZ", "ATD+4930123;", "ATH"}))
            << "a failed dial still hangs up: " << reason;
    }
}

TEST_F(Dialogue, SilenceToTheDialStillHangsUp) {
    const auto r = call({{"ATD", ""}, {"ATH", ""}});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.reason, "no answer from the modem to ATD+4930123; within 300 ms");
    EXPECT_EQ(commands_, (Commands{"ATZ", "ATD+4930123;", "ATH"}));
}

TEST_F(Dialogue, AModemThatNeverEndsALineEndsTheCallInTime) {
    expectedCommands_ = 1;
    const auto r = call({{"ATZ", std::string(5000, 'O')}});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.reason, "no answer from the modem to ATZ within 300 ms");
}

TEST(DialogueLine, AClosedLineEndsTheCallAtOnce) {
    // The dialer ignores SIGPIPE too: a write to a closed socket fails.
    ::signal(SIGPIPE, SIG_IGN);
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    ::close(fds[1]);
    const auto r = PlaceCall(fds[0], "123", DialTiming{60000, 60000});
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.reason.empty());
    ::close(fds[0]);
}

}  // namespace
}  // namespace zelkor::tools
