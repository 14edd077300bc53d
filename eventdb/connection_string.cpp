#include "eventdb/connection_string.h"

#include "platform/text.h"

namespace zelkor::eventdb {

namespace {

using platform::equalsIgnoreCase;

// A connection string may be written over several lines.
constexpr std::string_view kBlanks = " \t\r\n";

bool isBlank(char c) {
    return kBlanks.find(c) != std::string_view::npos;
}

std::string_view trim(std::string_view s) {
    return platform::trim(s, kBlanks);
}

// Reads one value starting at `pos` (just after '='), up to and including the
// ';' that ends it. Returns false for an unterminated quote or text after a
// closing quote.
bool readValue(std::string_view text, size_t* pos, std::string* value, std::string* error) {
    size_t i = *pos;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    value->clear();
    if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
        const char quote = text[i++];
        for (;;) {
            if (i >= text.size()) {
                *error = "Unterminated quoted value in the connection string.";
                return false;
            }
            if (text[i] == quote) {
                if (i + 1 < text.size() && text[i + 1] == quote) {
                    value->push_back(quote);
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            value->push_back(text[i++]);
        }
        while (i < text.size() && isBlank(text[i])) {
            ++i;
        }
        if (i < text.size() && text[i] != ';') {
            *error = "Unexpected text after a quoted value in the connection string.";
            return false;
        }
    } else {
        const size_t end = text.find(';', i);
        const size_t stop = end == std::string_view::npos ? text.size() : end;
        value->assign(trim(text.substr(i, stop - i)));
        i = stop;
    }
    *pos = i < text.size() ? i + 1 : i;
    return true;
}

}  // namespace

bool IsKnownProvider(std::string_view provider) {
    return equalsIgnoreCase(provider, kProvider351) || equalsIgnoreCase(provider, kProvider40);
}

bool ParseConnectionString(std::string_view text, ConnectionString* out, std::string* error) {
    ConnectionString result;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t eq = text.find('=', pos);
        const size_t semi = text.find(';', pos);
        if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
            // Only blanks may stand between pairs.
            const size_t stop = semi == std::string_view::npos ? text.size() : semi;
            if (!trim(text.substr(pos, stop - pos)).empty()) {
                *error = "The connection string is not a list of name=value pairs.";
                return false;
            }
            pos = stop == text.size() ? stop : stop + 1;
            continue;
        }
        const std::string_view key = trim(text.substr(pos, eq - pos));
        if (key.empty()) {
            *error = "The connection string is not a list of name=value pairs.";
            return false;
        }
        pos = eq + 1;
        std::string value;
        if (!readValue(text, &pos, &value, error)) {
            return false;
        }
        if (equalsIgnoreCase(key, "Provider")) {
            result.provider = std::move(value);
        } else if (equalsIgnoreCase(key, "Data Source")) {
            result.dataSource = std::move(value);
        } else if (equalsIgnoreCase(key, "Mode")) {
            result.readOnly = equalsIgnoreCase(value, "Read");
        }
    }
    *out = std::move(result);
    return true;
}

std::string BuildConnectionString(std::string_view provider, std::string_view dataSource) {
    std::string s = "PROVIDER=";
    s += provider;
    s += ";Data Source=";
    const bool plain =
        dataSource.find(';') == std::string_view::npos &&
        trim(dataSource).size() == dataSource.size() &&
        (dataSource.empty() || (dataSource.front() != '"' && dataSource.front() != '\''));
    if (plain) {
        s += dataSource;
    } else {
        s += '"';
        for (const char c : dataSource) {
            s += c;
            if (c == '"') {
                s += '"';
            }
        }
        s += '"';
    }
    s += ';';
    return s;
}

}  // namespace zelkor::eventdb
