#pragma once
// The mail the mailer sends, as the bytes of an Internet message: headers,
// the stored text and, for an event, the event bitmap as an attachment.
// Every part is base64, so no stored byte can end a line, a header or a
// part early.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelkor::tools {

// "Zelkor Oculara event N", or "Zelkor Oculara warning" without an event.
std::string MailSubject(std::optional<uint32_t> event);

struct MailAttachment {
    std::string fileName;  // shown to the reader; reduced to a safe form
    std::vector<uint8_t> bytes;
};

struct MailContent {
    std::string from;
    std::vector<std::string> to;
    std::vector<std::string> cc;
    std::string subject;
    std::string body;
    std::optional<MailAttachment> attachment;
    std::time_t date = 0;
    std::string messageId;  // without the angle brackets
};

// The message with CRLF line ends, ready for the SMTP DATA phase. The
// addresses must have passed IsMailAddress.
std::string BuildMailMessage(const MailContent& content);

// Base64 in lines of 76 characters, each ended by CRLF.
std::string Base64Lines(std::string_view bytes);

// The date header's form: "Tue, 08 Dec 2026 10:16:38 +0000", in UTC.
std::string MailDate(std::time_t time);

}  // namespace zelkor::tools
