// The mailer's plain parts: which stored addresses and servers it accepts,
// and the message it builds. The program tests decode real messages with an
// outside parser; these pin the cases that parser cannot see.

#include <gtest/gtest.h>

#include "tools/email/address_list.h"
#include "tools/email/mail_message.h"

namespace zelkor::tools {
namespace {

std::vector<std::string> parse(std::string_view text) {
    std::string error;
    auto list = ParseAddressList(text, &error);
    EXPECT_TRUE(list.has_value()) << text << ": " << error;
    return list.value_or(std::vector<std::string>{});
}

TEST(AddressList, SplitsOnSemicolonsAndCommasAndSkipsBlanksAndEmptyItems) {
    EXPECT_EQ(parse("a@example.org"), std::vector<std::string>{"a@example.org"});
    EXPECT_EQ(
        parse(" a@example.org ;b.c@mail.example.org,\td+e@x-y.example.org ;; "),
        (std::vector<std::string>{"a@example.org", "b.c@mail.example.org", "d+e@x-y.example.org"}));
    EXPECT_TRUE(parse("").empty());
    EXPECT_TRUE(parse(" ; , ").empty());
}

TEST(AddressList, RefusesWhatCouldAddCommandsOrHeadersAndNamesTheItem) {
    for (const std::string_view bad :
         {"a@example.org\r\nBcc: x@example.org", "Guard <a@example.org>", "<a@example.org>",
          "a b@example.org", "\"a\"@example.org", "a@example.org>", "a@", "@example.org",
          "a.example.org", "a@@example.org", ".a@example.org", "a..b@example.org", "a@example..org",
          "a@-example.org", "a@example-.org", "a@exa_mple.org", "j\xc3\xb6rg@example.org"}) {
        std::string error;
        EXPECT_FALSE(ParseAddressList(std::string("ok@example.org;") + std::string(bad), &error))
            << bad;
        EXPECT_NE(error.find("is not a mail address"), std::string::npos) << error;
        EXPECT_EQ(error.find_first_of("\r\n"), std::string::npos) << "one line: " << error;
    }
}

TEST(AddressList, KeepsTheLengthLimitsOfAnSmtpPath) {
    const std::string label63(63, 'a');
    EXPECT_TRUE(IsMailAddress(std::string(64, 'l') + "@" + label63 + ".org"));
    EXPECT_FALSE(IsMailAddress(std::string(65, 'l') + "@example.org"));
    EXPECT_FALSE(IsMailAddress("l@" + std::string(64, 'a') + ".org"));
    std::string longDomain;
    while (longDomain.size() < 260) {
        longDomain += label63 + ".";
    }
    EXPECT_FALSE(IsMailAddress("l@" + longDomain + "org"));
}

TEST(SmtpServerAddress, TakesSmtpAndSmtpsWithHostAndPort) {
    std::string error;
    const auto plain = ParseSmtpServer("smtp://mail.example.org:587", &error);
    ASSERT_TRUE(plain) << error;
    EXPECT_EQ(plain->url, "smtp://mail.example.org:587");
    EXPECT_FALSE(plain->implicitTls);
    const auto tls = ParseSmtpServer("smtps://127.0.0.1:465/", &error);
    ASSERT_TRUE(tls) << error;
    EXPECT_TRUE(tls->implicitTls);
    EXPECT_TRUE(ParseSmtpServer("smtp://localhost", &error));
    EXPECT_TRUE(ParseSmtpServer("smtp://[::1]:2525", &error));
}

TEST(SmtpServerAddress, RefusesOtherSchemesPortsAndHosts) {
    for (const std::string_view bad :
         {"", "mail.example.org", "http://mail.example.org", "file:///etc/passwd", "smtp://",
          "smtp://:25", "smtp://mail.example.org:0", "smtp://mail.example.org:65536",
          "smtp://mail.example.org:x",
          "smtp://mail.example.org:", "smtp://user:pw@mail.example.org",
          "smtp://mail.example.org/\r\nRSET", "smtp://mail example.org"}) {
        std::string error;
        EXPECT_FALSE(ParseSmtpServer(bad, &error)) << bad;
        EXPECT_NE(error.find("SMTPSERVER"), std::string::npos) << error;
        EXPECT_EQ(error.find_first_of("\r\n"), std::string::npos) << "one line: " << error;
    }
}

TEST(MailMessage, Base64MatchesTheStandardVectorsAndBreaksLinesAt76) {
    EXPECT_EQ(Base64Lines(""), "");
    EXPECT_EQ(Base64Lines("f"), "Zg==\r\n");
    EXPECT_EQ(Base64Lines("fo"), "Zm8=\r\n");
    EXPECT_EQ(Base64Lines("foo"), "Zm9v\r\n");
    EXPECT_EQ(Base64Lines("foobar"), "Zm9vYmFy\r\n");
    EXPECT_EQ(Base64Lines(std::string("\xff\xfe\x00", 3)), "//4A\r\n");
    // 57 bytes fill one line exactly; the 58th starts the next.
    const std::string lines = Base64Lines(std::string(58, 'x'));
    EXPECT_EQ(lines.find("\r\n"), 76u);
    EXPECT_EQ(lines.size(), 76u + 2 + 4 + 2);
}

TEST(MailMessage, DateIsTheInternetFormInUtc) {
    EXPECT_EQ(MailDate(0), "Thu, 01 Jan 1970 00:00:00 +0000");
    EXPECT_EQ(MailDate(1796724998), "Tue, 08 Dec 2026 10:16:38 +0000");
}

TEST(MailMessage, SubjectNamesTheEventOrSaysWarning) {
    EXPECT_EQ(MailSubject(7), "Zelkor Oculara event 7");
    EXPECT_EQ(MailSubject(std::nullopt), "Zelkor Oculara warning");
}

MailContent warning() {
    MailContent mail;
    mail.from = "guard@example.org";
    mail.to = {"a@example.org", "b@example.org"};
    mail.subject = MailSubject(std::nullopt);
    mail.body = "Zelkor Oculara Warning....";
    mail.messageId = "1.2@example.org";
    return mail;
}

TEST(MailMessage, WithoutAnEventIsOneTextPartAndWithoutCcHasNoCcHeader) {
    const std::string m = BuildMailMessage(warning());
    EXPECT_TRUE(
        m.starts_with("From: guard@example.org\r\nTo: a@example.org, b@example.org\r\n"
                      "Subject: Zelkor Oculara warning\r\n"))
        << m;
    EXPECT_EQ(m.find("Cc:"), std::string::npos);
    EXPECT_NE(m.find("Content-Type: text/plain; charset=utf-8\r\n"), std::string::npos);
    EXPECT_EQ(m.find("multipart"), std::string::npos);
    EXPECT_TRUE(m.ends_with("\r\n\r\n" + Base64Lines("Zelkor Oculara Warning....")));
}

TEST(MailMessage, AttachmentNameCannotBreakItsHeader) {
    auto mail = warning();
    mail.attachment = MailAttachment{"/work/ev\"il\r\nBcc: x@example.org.bmp", {1, 2, 3}};
    const std::string m = BuildMailMessage(mail);
    EXPECT_NE(m.find("filename=\"ev_il__Bcc: x@example.org.bmp\"\r\n"), std::string::npos) << m;
    EXPECT_EQ(m.find("\r\nBcc:"), std::string::npos);
    mail.attachment->fileName = "/work/";
    EXPECT_NE(BuildMailMessage(mail).find("filename=\"event.bmp\""), std::string::npos);
}

}  // namespace
}  // namespace zelkor::tools
