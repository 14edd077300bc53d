// email [--station NAME] [EVENT]: sends the warning mail Vorrak asks for. The addresses, the
// text and the event bitmap's path come from the settings store, where
// Vorrak put them just before starting the mailer; the server from the
// values VrakSetup stores.

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/station.h"
#include "tools/companions/companion_run.h"
#include "tools/companions/companion_values.h"
#include "tools/email/address_list.h"
#include "tools/email/mail_message.h"
#include "tools/email/smtp_send.h"

namespace {

using namespace zelkor;

// Vorrak waits for the mailer before it starts another one; the whole
// exchange must end well within a minute.
constexpr int kConnectTimeoutMs = 10000;
constexpr int kTotalTimeoutMs = 50000;

// The event bitmap holds two frames; anything far larger is not one.
constexpr std::streamoff kMaxAttachmentBytes = 32 << 20;

int refuse(const std::string& reason) {
    return tools::EndWith("email", tools::kExitRefused, reason);
}

// The event bitmap's bytes; nothing, with `error` set, when it cannot be
// read whole.
std::optional<std::vector<uint8_t>> readAttachment(const std::string& path, std::string* error) {
    if (path.empty()) {
        *error = "STOREIMAGEFILENAME is empty";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        *error = "cannot open " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    const auto size = std::streamoff(in.tellg());
    if (size < 0 || size > kMaxAttachmentBytes) {
        *error = path + " is not an event bitmap of a readable size";
        return std::nullopt;
    }
    in.seekg(0);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        *error = "cannot read " + path;
        return std::nullopt;
    }
    return bytes;
}

std::string hostPart(const std::string& address) {
    return address.substr(address.rfind('@') + 1);
}

}  // namespace

int main(int argc, char** argv) {
    std::string station;
    std::string stationError;
    if (!platform::takeStationArgument(argc, argv, &station, &stationError)) {
        return refuse(stationError);
    }
    const std::string storePath = platform::stationRegistryPath(station);
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const auto argument = tools::ParseEventArgument(args);
    if (!argument.ok) {
        return refuse("usage: email [EVENT-NUMBER], with --station NAME for a station");
    }
    const auto registry = platform::openFileRegistry(storePath);
    tools::StoredValues values(*registry);
    if (!values.opened()) {
        return refuse("no settings in " + storePath + "; run VrakSetup first");
    }
    if (argument.event && values.number("EMAILNOTIFY") == 0) {
        return tools::EndWith("email", tools::kExitDone, "e-mail notify is off; no mail sent");
    }

    std::string error;
    const auto to = tools::ParseAddressList(values.text("EMAILADDRESS"), &error);
    if (!to) {
        return refuse("EMAILADDRESS: " + error);
    }
    if (to->empty()) {
        return refuse("no EMAILADDRESS to send the mail to; set it with VrakSetup");
    }
    const auto cc = tools::ParseAddressList(values.text("CCEMAILADDRESS"), &error);
    if (!cc) {
        return refuse("CCEMAILADDRESS: " + error);
    }
    const std::string serverText = values.text("SMTPSERVER");
    if (serverText.empty()) {
        return refuse("no SMTPSERVER to send the mail through; set it with VrakSetup");
    }
    const auto server = tools::ParseSmtpServer(serverText, &error);
    if (!server) {
        return refuse(error);
    }
    const std::string from = values.text("SMTPFROM");
    if (!tools::IsMailAddress(from)) {
        return refuse(from.empty() ? "no SMTPFROM sender address; set it with VrakSetup"
                                   : std::string(tools::kSenderRefused));
    }

    tools::MailContent mail;
    mail.from = from;
    mail.to = *to;
    mail.cc = *cc;
    mail.subject = tools::MailSubject(argument.event);
    mail.body = values.text("EMAILBODY");
    mail.date = std::time(nullptr);
    mail.messageId =
        std::to_string(mail.date) + "." + std::to_string(getpid()) + "@" + hostPart(from);
    if (argument.event) {
        // The warning matters more than the picture: without a readable
        // bitmap the mail still goes, saying why the picture is missing.
        const std::string picture = values.text("STOREIMAGEFILENAME");
        if (auto bytes = readAttachment(picture, &error)) {
            mail.attachment = tools::MailAttachment{picture, std::move(*bytes)};
        } else {
            std::fprintf(stderr, "email: the event picture is not attached: %s\n", error.c_str());
            mail.body += "\n\n(The event picture could not be attached: " + error + ")";
        }
    }

    // A server that drops the connection in mid-TLS must end the mailer with
    // its reason, not with SIGPIPE from a write below libcurl.
    ::signal(SIGPIPE, SIG_IGN);
    tools::SmtpJob job;
    job.server = *server;
    job.user = values.text("SMTPUSER");
    job.password = values.text("SMTPPASSWORD");
    job.from = from;
    job.recipients = mail.to;
    job.recipients.insert(job.recipients.end(), mail.cc.begin(), mail.cc.end());
    job.message = tools::BuildMailMessage(mail);
    job.connectTimeoutMs =
        tools::TimeoutFromEnvironment("ZELKOR_MAIL_TIMEOUT_MS", kConnectTimeoutMs);
    job.totalTimeoutMs = tools::TimeoutFromEnvironment("ZELKOR_MAIL_TIMEOUT_MS", kTotalTimeoutMs);
    if (!tools::SendMail(job, &error)) {
        return tools::EndWith("email", tools::kExitFailed, "the mail was not sent: " + error);
    }
    return tools::kExitDone;
}
