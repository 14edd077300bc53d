// The mailer's addresses and server come from the settings store, which any
// program of the user can write: whatever they hold, what is accepted must
// be plain addresses taken from the text, and the message built from them
// (with the same bytes as its body) must keep its header block intact.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tools/email/address_list.h"
#include "tools/email/mail_message.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

size_t headerLines(const std::string& message) {
    size_t lines = 0;
    size_t start = 0;
    while (true) {
        const auto end = message.find("\r\n", start);
        check(end != std::string::npos);
        if (end == start) {
            return lines;
        }
        ++lines;
        start = end + 2;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zelkor::tools;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto list = ParseAddressList(text, &error);
    check(list.has_value() == error.empty());
    if (list) {
        for (const auto& a : *list) {
            check(IsMailAddress(a));
            check(a.find_first_of(";, \t\r\n<>\"") == std::string::npos);
            check(text.find(a) != std::string_view::npos);
        }
        if (!list->empty()) {
            MailContent mail;
            mail.from = list->front();
            mail.to = *list;
            mail.cc = *list;
            mail.subject = MailSubject(uint32_t(size));
            mail.body = std::string(text);
            mail.attachment = MailAttachment{std::string(text), {data, data + size}};
            mail.messageId = "fuzz@example.org";
            const std::string message = BuildMailMessage(mail);
            // From, To, Cc, Subject, Date, Message-ID, MIME-Version, Content-Type.
            check(headerLines(message) == 8);
            for (size_t i = 0; i < message.size(); ++i) {
                const bool lineEnd = message[i] == '\r' || message[i] == '\n';
                check(!lineEnd || message.compare(i - (message[i] == '\n'), 2, "\r\n") == 0);
            }
        }
    }
    error.clear();
    const auto server = ParseSmtpServer(text, &error);
    check(server.has_value() == error.empty());
    if (server) {
        check(server->url == text);
        check(text.find_first_of(" \t\r\n@?#") == std::string_view::npos);
    }
    return 0;
}
