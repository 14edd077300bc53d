#include "vcard/stream_address.h"

#include <algorithm>
#include <array>

#include "platform/text.h"

extern "C" {
#include <libavformat/avio.h>
}

namespace zelkor::vcard {

namespace {

using platform::toLowerAscii;

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isSchemeChar(char c) {
    return isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// Where an address ends in running text.
bool endsAddress(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '"' || c == '\'' || c == '<' ||
           c == '>' || c == '`';
}

// Query fields whose value is (or may be) a login.
bool isSecretField(std::string_view name) {
    const std::string n = toLowerAscii(name);
    if (n == "u" || n == "p") {
        return true;
    }
    constexpr std::array<std::string_view, 11> kHints = {
        "user", "usr", "login", "pass", "pwd", "psw", "token", "key", "secret", "auth", "sig"};
    return std::any_of(kHints.begin(), kHints.end(),
                       [&](std::string_view hint) { return n.find(hint) != std::string::npos; });
}

// The query of an address's rest (after its host) with secret values hidden.
std::string maskQuery(std::string_view rest) {
    const size_t question = rest.find('?');
    if (question == std::string_view::npos) {
        return std::string(rest);
    }
    std::string out(rest.substr(0, question + 1));
    std::string_view query = rest.substr(question + 1);
    while (!query.empty()) {
        const size_t end = query.find_first_of("&;#");
        const std::string_view field = query.substr(0, end);
        const size_t equals = field.find('=');
        if (equals != std::string_view::npos && isSecretField(field.substr(0, equals))) {
            out.append(field.substr(0, equals + 1)).append("***");
        } else {
            out.append(field);
        }
        if (end == std::string_view::npos) {
            break;
        }
        out.push_back(query[end]);
        if (query[end] == '#') {
            out.append(query.substr(end + 1));
            break;
        }
        query.remove_prefix(end + 1);
    }
    return out;
}

bool isInputProtocol(std::string_view scheme) {
    // RTSP is not one of FFmpeg's protocols but a demuxer of its own.
    if (scheme == "rtsp" || scheme == "rtsps") {
        return true;
    }
    void* opaque = nullptr;
    while (const char* name = avio_enum_protocols(&opaque, 0)) {
        if (scheme == name) {
            return true;
        }
    }
    return false;
}

}  // namespace

StreamAddress parseStreamAddress(std::string_view url) {
    StreamAddress a;
    if (platform::startsWithIgnoreCase(url, "file:")) {
        std::string_view path = url.substr(5);
        if (path.starts_with("//")) {
            path.remove_prefix(2);
        }
        a.local = true;
        a.target = std::string(path);
        return a;
    }
    const size_t separator = url.find("://");
    const std::string_view scheme = url.substr(0, separator);
    if (separator != std::string_view::npos && !scheme.empty() && isAsciiLetter(scheme.front()) &&
        std::all_of(scheme.begin(), scheme.end(), isSchemeChar)) {
        a.scheme = toLowerAscii(scheme);
        a.target = std::string(url);
        return a;
    }
    a.local = true;
    a.target = std::string(url);
    return a;
}

std::string checkStreamAddress(std::string_view url) {
    const StreamAddress a = parseStreamAddress(url);
    if (a.target.empty()) {
        return "expected stream: with a file's path or an address (rtsp://, http://, https://)";
    }
    if (!a.local && !isInputProtocol(a.scheme)) {
        return "no protocol \"" + a.scheme +
               "\" in FFmpeg here (expected rtsp://, http://, https://, a file's path, or "
               "another address FFmpeg reads)";
    }
    return {};
}

namespace {

// `text` with the value of every Authorization header (FFmpeg's HTTP log
// shows the requests it sends) hidden up to the end of its line.
std::string maskAuthorization(std::string_view text) {
    constexpr std::string_view kHeader = "authorization:";
    const std::string lower = toLowerAscii(text);
    std::string out;
    size_t pos = 0;
    while (true) {
        const size_t found = lower.find(kHeader, pos);
        if (found == std::string::npos) {
            out.append(text.substr(pos));
            return out;
        }
        const size_t value = found + kHeader.size();
        out.append(text.substr(pos, value - pos)).append(" ***");
        pos = text.find_first_of("\r\n", value);
        if (pos == std::string_view::npos) {
            return out;
        }
    }
}

}  // namespace

std::string maskCredentials(std::string_view input) {
    const std::string unmasked = maskAuthorization(input);
    const std::string_view text = unmasked;
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t separator = text.find("://", pos);
        if (separator == std::string_view::npos) {
            out.append(text.substr(pos));
            break;
        }
        size_t end = separator + 3;
        while (end < text.size() && !endsAddress(text[end])) {
            ++end;
        }
        out.append(text.substr(pos, separator + 3 - pos));
        std::string_view rest = text.substr(separator + 3, end - separator - 3);
        // The last '@': a password with an '@' or '/' of its own, or an
        // address inside another, is hidden whole.
        const size_t at = rest.rfind('@');
        if (at != std::string_view::npos) {
            out.append("***@");
            rest.remove_prefix(at + 1);
        }
        out.append(maskQuery(rest));
        pos = end;
    }
    return out;
}

}  // namespace zelkor::vcard
