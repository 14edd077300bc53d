#include "tools/email/address_list.h"

#include <charconv>

#include "platform/text.h"

namespace zelkor::tools {

namespace {

// The longest address an SMTP path can carry.
constexpr size_t kMaxAddressLength = 254;
constexpr size_t kMaxLocalPartLength = 64;
constexpr size_t kMaxLabelLength = 63;

bool isAsciiAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isLocalPartChar(char c) {
    return isAsciiAlnum(c) ||
           std::string_view("!#$%&'*+-/=?^_`{|}~").find(c) != std::string_view::npos;
}

// Dot-separated runs of allowed characters: no empty run.
template <typename Allowed>
bool isDottedRuns(std::string_view text, size_t maxRun, Allowed allowed) {
    size_t run = 0;
    for (const char c : text) {
        if (c == '.') {
            if (run == 0) {
                return false;
            }
            run = 0;
        } else if (allowed(c) && ++run <= maxRun) {
            continue;
        } else {
            return false;
        }
    }
    return run > 0;
}

bool isHostName(std::string_view host) {
    if (host.empty() || host.size() > kMaxAddressLength) {
        return false;
    }
    if (!isDottedRuns(host, kMaxLabelLength, [](char c) { return isAsciiAlnum(c) || c == '-'; })) {
        return false;
    }
    // No label begins or ends with a hyphen.
    for (size_t i = 0; i < host.size(); ++i) {
        if (host[i] == '-' &&
            (i == 0 || i + 1 == host.size() || host[i - 1] == '.' || host[i + 1] == '.')) {
            return false;
        }
    }
    return true;
}

bool isIpv6Literal(std::string_view host) {
    if (host.size() < 4 || host.front() != '[' || host.back() != ']') {
        return false;
    }
    const auto inner = host.substr(1, host.size() - 2);
    return inner.find(':') != std::string_view::npos &&
           inner.find_first_not_of("0123456789abcdefABCDEF:.") == std::string_view::npos;
}

// A stored value as it may appear in a one-line message.
std::string printable(std::string_view text) {
    std::string out;
    for (const char c : text) {
        out.push_back(c >= 0x20 && c < 0x7f ? c : '?');
    }
    return out;
}

}  // namespace

bool IsMailAddress(std::string_view text) {
    if (text.size() > kMaxAddressLength) {
        return false;
    }
    const auto at = text.rfind('@');
    if (at == std::string_view::npos) {
        return false;
    }
    const auto local = text.substr(0, at);
    const auto domain = text.substr(at + 1);
    return local.size() <= kMaxLocalPartLength &&
           isDottedRuns(local, kMaxLocalPartLength, isLocalPartChar) && isHostName(domain);
}

std::optional<std::vector<std::string>> ParseAddressList(std::string_view text,
                                                         std::string* error) {
    std::vector<std::string> addresses;
    while (true) {
        const auto end = text.find_first_of(";,");
        const auto item = platform::trim(text.substr(0, end));
        if (!item.empty()) {
            if (!IsMailAddress(item)) {
                *error = "\"" + printable(item) + "\" is not a mail address";
                return std::nullopt;
            }
            addresses.emplace_back(item);
        }
        if (end == std::string_view::npos) {
            return addresses;
        }
        text.remove_prefix(end + 1);
    }
}

std::optional<SmtpServer> ParseSmtpServer(std::string_view text, std::string* error) {
    SmtpServer server;
    std::string_view rest;
    if (text.starts_with("smtp://")) {
        rest = text.substr(7);
    } else if (text.starts_with("smtps://")) {
        rest = text.substr(8);
        server.implicitTls = true;
    } else {
        *error = "SMTPSERVER \"" + printable(text) +
                 "\" is not an smtp://host:port or smtps://host:port address";
        return std::nullopt;
    }
    if (rest.ends_with('/')) {
        rest.remove_suffix(1);
    }
    std::string_view host = rest;
    const auto colon = rest.rfind(':');
    if (colon != std::string_view::npos && !rest.ends_with(']')) {
        host = rest.substr(0, colon);
        const auto port = rest.substr(colon + 1);
        unsigned value = 0;
        const auto result = std::from_chars(port.data(), port.data() + port.size(), value);
        if (port.empty() || result.ec != std::errc{} || result.ptr != port.data() + port.size() ||
            value == 0 || value > 65535) {
            *error = "SMTPSERVER \"" + printable(text) + "\" has no port number from 1 to 65535";
            return std::nullopt;
        }
    }
    if (!isHostName(host) && !isIpv6Literal(host)) {
        *error = "SMTPSERVER \"" + printable(text) + "\" names no host";
        return std::nullopt;
    }
    server.url = std::string(text);
    return server;
}

}  // namespace zelkor::tools
