#pragma once
// The mail addresses and the server the mailer takes from the settings
// store. Everything here ends up in SMTP commands or mail headers, so only
// plain forms are accepted: a line break or a bracket in a stored value
// could otherwise add commands or headers of its own.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelkor::tools {

// "local@domain" with the characters a mailbox name may hold unquoted, a
// domain of letters, digits and hyphens in dot-separated labels, ASCII
// only, at most 254 characters. No display names, comments or quoting.
bool IsMailAddress(std::string_view text);
// Why a stored SMTPFROM that is not such an address is refused.
inline constexpr std::string_view kSenderRefused =
    "SMTPFROM is not a plain name@domain mail address";

// Addresses separated by ";" or ",", blanks around them ignored, empty
// items skipped (a trailing separator is common). Nothing, with `error`
// naming the first bad item, when any item is not an address; an empty
// list for a text that holds none.
std::optional<std::vector<std::string>> ParseAddressList(std::string_view text, std::string* error);

// SMTPSERVER: "smtp://host[:port][/]" (STARTTLS when the server offers it)
// or "smtps://..." (TLS from the start). Host names as in addresses, or an
// IPv4 address; a bracketed IPv6 address is taken too.
struct SmtpServer {
    std::string url;
    bool implicitTls = false;
};
std::optional<SmtpServer> ParseSmtpServer(std::string_view text, std::string* error);

}  // namespace zelkor::tools
