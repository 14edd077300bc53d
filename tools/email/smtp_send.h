#pragma once
// Hands one message to an SMTP server through libcurl.

#include <string>
#include <vector>

#include "tools/email/address_list.h"

namespace zelkor::tools {

struct SmtpJob {
    SmtpServer server;
    std::string user;  // empty: no login
    std::string password;
    std::string from;
    std::vector<std::string> recipients;  // To and Cc
    std::string message;                  // BuildMailMessage
    int connectTimeoutMs = 10000;
    int totalTimeoutMs = 50000;
};

// True when the server accepted the message; otherwise `error` says why in
// one line.
bool SendMail(const SmtpJob& job, std::string* error);

}  // namespace zelkor::tools
