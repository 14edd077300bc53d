#include "platform/ini_document.h"

#include <cstdint>

#include "platform/registry_data.h"

namespace zelkor::platform {

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// What one line means to the profile reader.
struct LineMeaning {
    enum Kind { Other, Section, Key } kind = Other;
    std::string_view name;  // section or key name, trimmed
    size_t valueStart = 0;  // Key: where the value begins (after '=' and blanks)
};

LineMeaning classify(std::string_view text) {
    LineMeaning meaning;
    const auto start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos || text[start] == ';') {
        return meaning;
    }
    if (text[start] == '[') {
        const auto close = text.find(']', start);
        if (close != std::string_view::npos) {
            meaning.kind = LineMeaning::Section;
            meaning.name = trim(text.substr(start + 1, close - start - 1));
        }
        return meaning;
    }
    const auto equals = text.find('=', start);
    if (equals == std::string_view::npos) {
        return meaning;
    }
    meaning.name = trim(text.substr(start, equals - start));
    if (meaning.name.empty()) {
        return meaning;
    }
    meaning.kind = LineMeaning::Key;
    meaning.valueStart = equals + 1;
    while (meaning.valueStart < text.size() && isBlank(text[meaning.valueStart])) {
        ++meaning.valueStart;
    }
    return meaning;
}

bool hasLineBreakOrZero(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool isGoodName(std::string_view name) {
    return !name.empty() && trim(name) == name && !hasLineBreakOrZero(name);
}

}  // namespace

IniDocument IniDocument::parse(std::string_view text) {
    IniDocument doc;
    size_t pos = 0;
    while (pos < text.size()) {
        const auto end = text.find('\n', pos);
        IniLine line;
        if (end == std::string_view::npos) {
            line.text = std::string(text.substr(pos));
            pos = text.size();
        } else {
            auto body = text.substr(pos, end - pos);
            if (!body.empty() && body.back() == '\r') {
                body.remove_suffix(1);
                line.ending = "\r\n";
            } else {
                line.ending = "\n";
            }
            line.text = std::string(body);
            pos = end + 1;
        }
        doc.lines_.push_back(std::move(line));
    }
    return doc;
}

std::string IniDocument::format() const {
    std::string out;
    for (const auto& line : lines_) {
        out += line.text;
        out += line.ending;
    }
    return out;
}

std::string IniDocument::lineEnding() const {
    for (const auto& line : lines_) {
        if (!line.ending.empty()) {
            return line.ending;
        }
    }
    return "\n";
}

std::optional<std::string> IniDocument::get(std::string_view section, std::string_view key) const {
    bool inSection = false;
    for (const auto& line : lines_) {
        const auto meaning = classify(line.text);
        if (meaning.kind == LineMeaning::Section) {
            inSection = equalsIgnoreCase(meaning.name, section);
        } else if (inSection && meaning.kind == LineMeaning::Key &&
                   equalsIgnoreCase(meaning.name, key)) {
            auto value = trim(std::string_view(line.text).substr(meaning.valueStart));
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front()) {
                value = value.substr(1, value.size() - 2);
            }
            return std::string(value);
        }
    }
    return std::nullopt;
}

bool IniDocument::set(std::string_view section, std::string_view key, std::string_view value) {
    if (!isGoodName(section) || section.find(']') != std::string_view::npos || !isGoodName(key) ||
        key.find('=') != std::string_view::npos || key.front() == '[' || key.front() == ';' ||
        hasLineBreakOrZero(value)) {
        return false;
    }
    const std::string newKeyLine = std::string(key) + "=" + std::string(value);
    size_t insertAfter = kNone;  // in the first matching section
    bool inSection = false;
    bool firstSectionDone = false;
    for (size_t i = 0; i < lines_.size(); ++i) {
        auto& line = lines_[i];
        const auto meaning = classify(line.text);
        if (meaning.kind == LineMeaning::Section) {
            if (inSection) {
                firstSectionDone = true;
            }
            inSection = equalsIgnoreCase(meaning.name, section);
            if (inSection && !firstSectionDone) {
                insertAfter = i;
            }
        } else if (inSection && meaning.kind == LineMeaning::Key) {
            if (equalsIgnoreCase(meaning.name, key)) {
                line.text = line.text.substr(0, meaning.valueStart) + std::string(value);
                return true;
            }
            if (!firstSectionDone) {
                insertAfter = i;
            }
        }
    }
    const auto ending = lineEnding();
    if (insertAfter != kNone) {
        if (lines_[insertAfter].ending.empty()) {
            lines_[insertAfter].ending = ending;
        }
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAfter) + 1,
                      IniLine{newKeyLine, ending});
        return true;
    }
    if (!lines_.empty()) {
        if (lines_.back().ending.empty()) {
            lines_.back().ending = ending;
        }
        // A blank line sets the new section apart, as in hand-kept files.
        if (!trim(lines_.back().text).empty()) {
            lines_.push_back(IniLine{"", ending});
        }
    }
    lines_.push_back(IniLine{"[" + std::string(section) + "]", ending});
    lines_.push_back(IniLine{newKeyLine, ending});
    return true;
}

int profileInt(const std::optional<std::string>& value, int defaultValue) {
    if (!value || value->empty()) {
        return defaultValue;
    }
    std::string_view text = *value;
    bool negative = false;
    if (text.front() == '-' || text.front() == '+') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    uint32_t number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        number = number * 10 + static_cast<uint32_t>(c - '0');
    }
    return static_cast<int>(negative ? 0u - number : number);
}

}  // namespace zelkor::platform
