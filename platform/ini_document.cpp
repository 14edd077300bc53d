#include "platform/ini_document.h"

#include <cstdint>

#include "platform/registry_data.h"
#include "platform/text.h"

namespace zelkor::platform {

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

bool hasLineBreakOrZero(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool isGoodName(std::string_view name) {
    return !name.empty() && trim(name) == name && !hasLineBreakOrZero(name);
}

}  // namespace

IniLineParts splitIniLine(std::string_view text) {
    IniLineParts parts;
    const auto start = text.find_first_not_of(kBlanks);
    if (start == std::string_view::npos) {
        return parts;
    }
    if (text[start] == ';') {
        parts.kind = IniLineParts::Comment;
        return parts;
    }
    parts.kind = IniLineParts::Other;
    if (text[start] == '[') {
        const auto close = text.find(']', start);
        if (close != std::string_view::npos) {
            parts.kind = IniLineParts::Section;
            parts.name = trim(text.substr(start + 1, close - start - 1));
        }
        return parts;
    }
    const auto equals = text.find('=', start);
    if (equals == std::string_view::npos) {
        return parts;
    }
    parts.name = trim(text.substr(start, equals - start));
    if (parts.name.empty()) {
        return parts;
    }
    parts.kind = IniLineParts::Key;
    parts.valueStart = text.find_first_not_of(kBlanks, equals + 1);
    if (parts.valueStart == std::string_view::npos) {
        parts.valueStart = text.size();
    }
    parts.value = trimRight(text.substr(parts.valueStart));
    return parts;
}

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
        const auto parts = splitIniLine(line.text);
        if (parts.kind == IniLineParts::Section) {
            inSection = equalsIgnoreCase(parts.name, section);
        } else if (inSection && parts.kind == IniLineParts::Key &&
                   equalsIgnoreCase(parts.name, key)) {
            auto value = parts.value;
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
        const auto meaning = splitIniLine(line.text);
        if (meaning.kind == IniLineParts::Section) {
            if (inSection) {
                firstSectionDone = true;
            }
            inSection = equalsIgnoreCase(meaning.name, section);
            if (inSection && !firstSectionDone) {
                insertAfter = i;
            }
        } else if (inSection && meaning.kind == IniLineParts::Key) {
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
