// The real mailer against a local SMTP server: what arrives, decoded by
// Python's e-mail package, and how it ends when it cannot or must not send.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "platform/fake/recording_ui.h"
#include "tests/companions/companion_run.h"
#include "tests/companions/smtp_sink.h"
#include "vorrak/config/settings_store.h"

namespace zelkor::testing {
namespace {

// Every byte value, so a decoder that mangles any of them is caught.
std::vector<uint8_t> eventBitmapBytes() {
    std::vector<uint8_t> bytes = {'B', 'M'};
    for (uint32_t i = 0; i < 70000; ++i) {
        bytes.push_back(uint8_t((i * 7919u) >> 3));
    }
    return bytes;
}

// A listening socket of the test: `accepting` false leaves connections
// waiting in the backlog, unanswered; closing it leaves a port nobody
// listens on.
class LocalPort {
  public:
    LocalPort() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), size) == 0 && ::listen(fd_, 4) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &size) == 0) {
            port_ = ntohs(a.sin_port);
        }
    }
    ~LocalPort() { close(); }
    void close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    std::string url() const { return "smtp://127.0.0.1:" + std::to_string(port_); }
    int port() const { return port_; }

  private:
    int fd_ = -1;
    int port_ = 0;
};

class EmailProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(sink_.port(), 0) << "the SMTP server did not start (python3-aiosmtpd?)";
        rig_.setText("SMTPSERVER", sink_.url());
        rig_.setText("SMTPFROM", "guard@example.org");
    }

    // The values as Vorrak hands them over before an event's mail.
    void handOver(const std::string& to, const std::string& cc, const std::string& body,
                  const std::string& picture, uint32_t notify = 1) {
        vorrak::Settings s;
        s.STOREIMAGEFILENAME = picture;
        s.EMAILNOTIFY = notify;
        s.EMAILADDRESS = to;
        s.CCEMAILADDRESS = cc;
        s.EMAILBODY = body;
        platform::RecordingUi ui;
        vorrak::SaveMailHandOver(*platform::openFileRegistry(rig_.storePath()), ui, s);
        ASSERT_TRUE(ui.boxes.empty());
    }

    void expectRefusedUnsent(const RunResult& r, const std::string& reason) {
        EXPECT_EQ(r.status, 2) << r.stderrText;
        EXPECT_NE(r.stderrText.find(reason), std::string::npos) << r.stderrText;
        EXPECT_FALSE(sink_.everConnected()) << "no network traffic";
    }

    SmtpSink sink_;
    CompanionRig rig_;
};

TEST_F(EmailProgram, EventMailCarriesAddressesSubjectTextAndTheEventBitmap) {
    const auto bitmap = eventBitmapBytes();
    const std::string picture = rig_.dir().write("error3.bmp", bitmap);
    handOver("a@example.org; b@example.org", "c@example.org",
             "Motion in the hall.\nLook at the picture.", picture);

    const auto r = rig_.run("email", {"3"});
    ASSERT_EQ(r.status, 0) << r.stderrText;
    ASSERT_TRUE(sink_.received(1));
    EXPECT_EQ(sink_.field(1, "mail_from"), "guard@example.org");
    EXPECT_EQ(sink_.field(1, "rcpt_tos"), "a@example.org\nb@example.org\nc@example.org");
    EXPECT_EQ(sink_.field(1, "to"), "a@example.org, b@example.org");
    EXPECT_EQ(sink_.field(1, "cc"), "c@example.org");
    EXPECT_EQ(sink_.field(1, "subject"), "Zelkor Oculara event 3");
    EXPECT_EQ(sink_.field(1, "body"), "Motion in the hall.\nLook at the picture.");
    EXPECT_EQ(sink_.field(1, "attachment0_type"), "image/bmp");
    EXPECT_EQ(sink_.field(1, "attachment0_name"), "error3.bmp");
    const std::string attached = sink_.field(1, "attachment0");
    EXPECT_EQ(std::vector<uint8_t>(attached.begin(), attached.end()), bitmap);
    EXPECT_FALSE(sink_.received(2));
}

TEST_F(EmailProgram, WithoutAnEventSendsTheWarningWithoutAttachment) {
    handOver("a@example.org", "", "Zelkor Oculara Warning....", "", 0);
    const auto r = rig_.run("email");
    ASSERT_EQ(r.status, 0) << r.stderrText;
    EXPECT_EQ(sink_.field(1, "subject"), "Zelkor Oculara warning");
    EXPECT_EQ(sink_.field(1, "cc"), "");
    EXPECT_EQ(sink_.field(1, "body"), "Zelkor Oculara Warning....");
    EXPECT_EQ(sink_.field(1, "attachment0_name"), "");
}

TEST_F(EmailProgram, AnUnreadablePictureStillSendsTheWarningAndSaysWhy) {
    handOver("a@example.org", "", "Look.", rig_.dir().file("gone.bmp"));
    const auto r = rig_.run("email", {"4"});
    ASSERT_EQ(r.status, 0) << r.stderrText;
    EXPECT_NE(r.stderrText.find("the event picture is not attached"), std::string::npos);
    EXPECT_EQ(sink_.field(1, "subject"), "Zelkor Oculara event 4");
    EXPECT_NE(sink_.field(1, "body").find("could not be attached"), std::string::npos);
    EXPECT_EQ(sink_.field(1, "attachment0_name"), "");
}

TEST_F(EmailProgram, TwoMailersAtOnceBothDeliver) {
    handOver("a@example.org", "", "Look.", rig_.dir().write("error1.bmp", eventBitmapBytes()));
    auto first = rig_.start("email", {"1"});
    auto second = rig_.start("email", {"1"});
    EXPECT_EQ(first->wait(), 0);
    EXPECT_EQ(second->wait(), 0);
    EXPECT_TRUE(sink_.received(2));
    EXPECT_EQ(sink_.field(1, "attachment0"), sink_.field(2, "attachment0"));
}

TEST_F(EmailProgram, ALoginNeverGoesToAServerWithoutTls) {
    handOver("a@example.org", "", "Look.", "", 0);
    rig_.setText("SMTPUSER", "watch");
    rig_.setText("SMTPPASSWORD", "s3cret");
    const auto r = rig_.run("email");
    EXPECT_EQ(r.status, 1) << r.stderrText;
    EXPECT_TRUE(r.stderrText.starts_with("email: the mail was not sent: ")) << r.stderrText;
    EXPECT_FALSE(sink_.received(1));
}

TEST_F(EmailProgram, EventMailWithNotifyOffSendsNothing) {
    handOver("a@example.org", "", "Look.", "", 0);
    const auto r = rig_.run("email", {"2"});
    EXPECT_EQ(r.status, 0) << r.stderrText;
    EXPECT_NE(r.stderrText.find("e-mail notify is off"), std::string::npos);
    EXPECT_FALSE(sink_.everConnected());
}

TEST_F(EmailProgram, NoAddressExitsTwoAndConnectsNowhere) {
    handOver("", "c@example.org", "Look.", "");
    expectRefusedUnsent(rig_.run("email", {"1"}), "no EMAILADDRESS");
}

TEST_F(EmailProgram, BadSettingsAndArgumentsExitTwoAndConnectNowhere) {
    handOver("a@example.org", "c@example.org\r\nBcc: x@example.org", "Look.", "");
    expectRefusedUnsent(rig_.run("email", {"1"}), "CCEMAILADDRESS: ");
    handOver("a@example.org", "", "Look.", "");
    expectRefusedUnsent(rig_.run("email", {"one"}), "usage: email [EVENT-NUMBER]");
    expectRefusedUnsent(rig_.run("email", {"0"}), "usage: email [EVENT-NUMBER]");
    expectRefusedUnsent(rig_.run("email", {"1", "2"}), "usage: email [EVENT-NUMBER]");
    rig_.setText("SMTPFROM", "Guard <guard@example.org>");
    expectRefusedUnsent(rig_.run("email"), "SMTPFROM is not a plain");
    rig_.setText("SMTPFROM", "");
    expectRefusedUnsent(rig_.run("email"), "no SMTPFROM");
    rig_.setText("SMTPSERVER", "http://127.0.0.1:" + std::to_string(sink_.port()));
    expectRefusedUnsent(rig_.run("email"), "is not an smtp://host:port");
    rig_.setText("SMTPSERVER", "");
    expectRefusedUnsent(rig_.run("email"), "no SMTPSERVER");
}

TEST(EmailWithoutStore, ExitsTwo) {
    CompanionRig rig;
    const auto r = rig.run("email");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.stderrText.find("run VrakSetup first"), std::string::npos) << r.stderrText;
}

// The mailer must end in bounded time whatever the server does: Vorrak
// starts no other mail while it runs.
class EmailServerTrouble : public ::testing::Test {
  protected:
    void SetUp() override {
        vorrak::Settings s;
        s.EMAILNOTIFY = 1;
        s.EMAILADDRESS = "a@example.org";
        platform::RecordingUi ui;
        vorrak::SaveMailHandOver(*platform::openFileRegistry(rig_.storePath()), ui, s);
        rig_.setText("SMTPFROM", "guard@example.org");
    }
    void expectNotSent(const RunResult& r) {
        EXPECT_EQ(r.status, 1) << r.stderrText;
        EXPECT_TRUE(r.stderrText.starts_with("email: the mail was not sent: ")) << r.stderrText;
        EXPECT_EQ(r.stderrText.find('\n'), r.stderrText.size() - 1) << "one line";
    }
    CompanionRig rig_;
};

TEST_F(EmailServerTrouble, ServerDownFailsAtOnce) {
    LocalPort port;
    port.close();
    rig_.setText("SMTPSERVER", port.url());
    const auto r = rig_.run("email");
    expectNotSent(r);
    EXPECT_LT(r.seconds, 10.0);
}

// A server that goes silent after the body holds the reply to the body and
// then the reply to the goodbye; the limit covers both.
TEST_F(EmailServerTrouble, ServerSilentAfterTheBodyFailsWithinTheLimit) {
    SmtpSink sink(SmtpSink::Mode::SilentAfterBody);
    ASSERT_NE(sink.port(), 0);
    rig_.setText("SMTPSERVER", sink.url());
    const auto r = rig_.run("email", {}, {"ZELKOR_MAIL_TIMEOUT_MS=2000"});
    expectNotSent(r);
    EXPECT_NE(r.stderrText.find("timeout"), std::string::npos) << r.stderrText;
    EXPECT_LT(r.seconds, 6.0);
}

TEST_F(EmailServerTrouble, SilentServerFailsAtTheTimeOut) {
    LocalPort port;
    rig_.setText("SMTPSERVER", port.url());
    const auto r = rig_.run("email", {}, {"ZELKOR_MAIL_TIMEOUT_MS=1000"});
    expectNotSent(r);
    EXPECT_GE(r.seconds, 0.9);
    EXPECT_LT(r.seconds, 10.0);
}

// Debian's Python holds the sink's SMTP module; a Python of another
// installation first in PATH must not be the one that runs it.
TEST(SmtpSinkTest, StartsWithAnotherPythonFirstInPath) {
    TempDir other;
    std::filesystem::create_directories(other.file("bin"));
    other.write("bin/python3", "#!/bin/sh\nexit 1\n");
    std::filesystem::permissions(other.file("bin/python3"), std::filesystem::perms::owner_all);
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib")) {
        const std::string lib = "lib/" + entry.path().filename().string();
        if (lib.starts_with("lib/python3.")) {
            std::filesystem::create_directories(other.file(lib));
            other.write(lib + "/os.py", "");
        }
    }
    const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    ::setenv("PATH", (other.file("bin") + ":" + path).c_str(), 1);
    const SmtpSink sink;
    ::setenv("PATH", path.c_str(), 1);
    EXPECT_NE(sink.port(), 0);
}

}  // namespace
}  // namespace zelkor::testing
