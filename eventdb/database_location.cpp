#include "eventdb/database_location.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "platform/text.h"

namespace zelkor::eventdb {

namespace {

constexpr std::string_view kMask = "***";
constexpr std::string_view kPasswordKey = "password";

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           platform::equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

bool isPostgresUri(std::string_view text) {
    return startsWithIgnoringCase(text, "postgresql://") ||
           startsWithIgnoringCase(text, "postgres://");
}

// The length of "scheme://" when the text starts with a URI scheme: any
// URI is masked alike, also one Histran then refuses.
size_t schemeLength(std::string_view text) {
    size_t at = 0;
    while (at < text.size() &&
           (std::isalnum(static_cast<unsigned char>(text[at])) != 0 ||
            (at > 0 && (text[at] == '+' || text[at] == '-' || text[at] == '.')))) {
        ++at;
    }
    return at > 0 && text.substr(at, 3) == "://" ? at + 3 : 0;
}

bool isBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// "password=VALUE" parameters of a URI's query, VALUE ending at '&'.
void queryPasswords(std::string_view text, size_t query,
                    std::vector<std::pair<size_t, size_t>>* ranges) {
    const size_t end = text.size();
    for (size_t at = query; at < end;) {
        const size_t next = std::min(text.find('&', at), end);
        const std::string_view parameter = text.substr(at, next - at);
        const size_t equals = parameter.find('=');
        if (equals != std::string_view::npos &&
            platform::equalsIgnoreCase(parameter.substr(0, equals), kPasswordKey)) {
            ranges->emplace_back(at + equals + 1, parameter.size() - equals - 1);
        }
        at = next + 1;
    }
}

// "password = VALUE" of a keyword=value string; VALUE is a word or quoted
// with ', a backslash escaping the next character.
void keywordPasswords(std::string_view text, std::vector<std::pair<size_t, size_t>>* ranges) {
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && isBlank(text[at])) {
            ++at;
        }
        const size_t keyStart = at;
        while (at < text.size() && text[at] != '=' && !isBlank(text[at])) {
            ++at;
        }
        const std::string_view key = text.substr(keyStart, at - keyStart);
        while (at < text.size() && isBlank(text[at])) {
            ++at;
        }
        if (at >= text.size() || text[at] != '=') {
            continue;  // not a pair: the next word is looked at
        }
        ++at;
        while (at < text.size() && isBlank(text[at])) {
            ++at;
        }
        size_t valueStart = at;
        size_t valueEnd = at;
        if (at < text.size() && text[at] == '\'') {
            valueStart = ++at;
            while (at < text.size() && text[at] != '\'') {
                at += text[at] == '\\' && at + 1 < text.size() ? 2 : 1;
            }
            valueEnd = std::min(at, text.size());
            at = std::min(at + 1, text.size());
        } else {
            while (at < text.size() && !isBlank(text[at])) {
                ++at;
            }
            valueEnd = at;
        }
        if (platform::equalsIgnoreCase(key, kPasswordKey)) {
            ranges->emplace_back(valueStart, valueEnd - valueStart);
        }
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string percentDecoded(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Marks every place `secret` occurs in `text`.
void markAll(std::string_view text, std::string_view secret, std::vector<bool>* hidden) {
    if (secret.empty()) {
        return;
    }
    for (size_t at = text.find(secret); at != std::string_view::npos;
         at = text.find(secret, at + 1)) {
        std::fill(hidden->begin() + long(at), hidden->begin() + long(at + secret.size()), true);
    }
}

}  // namespace

DatabaseKind ClassifyEventDatabase(std::string_view value) {
    if (value.empty()) {
        return DatabaseKind::File;
    }
    return isPostgresUri(value) ? DatabaseKind::Postgres : DatabaseKind::Unknown;
}

std::vector<std::pair<size_t, size_t>> PasswordRanges(std::string_view text) {
    std::vector<std::pair<size_t, size_t>> ranges;
    const size_t scheme = schemeLength(text);
    if (scheme == 0) {
        keywordPasswords(text, &ranges);
        return ranges;
    }
    // The client takes the text up to an '@' before the first '/' as
    // "user:password"; the last such '@' is taken here, so a password that
    // holds an '@' is hidden whole.
    const size_t authority = std::min(text.find('/', scheme), text.size());
    const size_t at = text.substr(0, authority).rfind('@');
    size_t rest = scheme;
    if (at != std::string_view::npos && at >= scheme) {
        const size_t colon = text.find(':', scheme);
        if (colon < at) {
            ranges.emplace_back(colon + 1, at - colon - 1);
        }
        rest = at + 1;
    }
    const size_t query = text.find('?', rest);
    if (query != std::string_view::npos) {
        queryPasswords(text, query + 1, &ranges);
    }
    return ranges;
}

std::string MaskPassword(std::string_view connectionString) {
    std::string masked;
    size_t done = 0;
    for (const auto& [start, length] : PasswordRanges(connectionString)) {
        masked.append(connectionString.substr(done, start - done));
        masked.append(kMask);
        done = start + length;
    }
    masked.append(connectionString.substr(done));
    return masked;
}

std::string HidePassword(std::string_view message, std::string_view connectionString) {
    // The places are found in the message as given and masked at once: a
    // password found again in an earlier mask ("*") would make the text
    // grow with every password.
    std::set<std::string> secrets;
    for (const auto& [start, length] : PasswordRanges(connectionString)) {
        const std::string_view secret = connectionString.substr(start, length);
        secrets.emplace(secret);
        secrets.insert(percentDecoded(secret));
    }
    std::vector<bool> hidden(message.size(), false);
    for (const auto& secret : secrets) {
        markAll(message, secret, &hidden);
    }
    std::string text;
    for (size_t i = 0; i < message.size(); ++i) {
        if (!hidden[i]) {
            text += message[i];
        } else if (i == 0 || !hidden[i - 1]) {
            text += kMask;
        }
    }
    return text;
}

}  // namespace zelkor::eventdb
