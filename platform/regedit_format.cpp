#include "platform/regedit_format.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <unordered_map>

#include "formats/byte_order.h"
#include "platform/text.h"

namespace zelkor::platform {

namespace {

constexpr std::string_view kLocalMachine = "HKEY_LOCAL_MACHINE";
// Roots a store file may name besides ours; their keys are kept as read.
constexpr std::array<std::string_view, 6> kOtherRoots = {
    "HKEY_CLASSES_ROOT",   "HKEY_CURRENT_USER", "HKEY_USERS",
    "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",     "HKEY_PERFORMANCE_DATA"};
// The editor ends a hex line once it reaches this many columns.
constexpr size_t kHexWrapColumn = 77;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Splits the text into lines, dropping "\n" or "\r\n" at their ends.
class LineReader {
  public:
    explicit LineReader(std::string_view text) : text_(text) {}

    bool next(std::string_view* line) {
        if (pos_ >= text_.size()) {
            return false;
        }
        auto end = text_.find('\n', pos_);
        if (end == std::string_view::npos) {
            end = text_.size();
        }
        *line = text_.substr(pos_, end - pos_);
        if (!line->empty() && line->back() == '\r') {
            line->remove_suffix(1);
        }
        pos_ = end + 1;
        ++number_;
        return true;
    }

    int number() const { return number_; }

  private:
    std::string_view text_;
    size_t pos_ = 0;
    int number_ = 0;
};

// Keys as they are read, indexed by lower-case path and value name, so a
// file of many keys and values parses in linear time.
class KeyList {
  public:
    explicit KeyList(std::vector<RegKeyData>& keys) : keys_(keys) {}

    // The key with this path, added when new.
    size_t add(std::string_view path) {
        auto [it, added] = keyIndex_.try_emplace(toLowerAscii(path), keys_.size());
        if (added) {
            keys_.push_back(RegKeyData{std::string(path), {}});
            valueIndex_.emplace_back();
        }
        return it->second;
    }

    // A repeated name replaces the value and keeps the first spelling.
    void store(size_t key, RegValue value) {
        auto& values = keys_[key].values;
        auto [it, added] = valueIndex_[key].try_emplace(toLowerAscii(value.name), values.size());
        if (added) {
            values.push_back(std::move(value));
        } else {
            values[it->second].type = value.type;
            values[it->second].data = std::move(value.data);
        }
    }

  private:
    std::vector<RegKeyData>& keys_;
    std::unordered_map<std::string, size_t> keyIndex_;
    std::vector<std::unordered_map<std::string, size_t>> valueIndex_;
};

class Parser {
  public:
    explicit Parser(std::string_view text) : lines_(text) {}

    RegeditParseResult run() {
        std::string_view line;
        if (!nextLine(&line)) {
            return std::move(result_);
        }
        if (trimRight(line) != kRegeditHeader) {
            fail("unknown header (REGEDIT4 expected)");
            return std::move(result_);
        }
        while (nextLine(&line)) {
            if (!parseLine(trimLeft(line))) {
                return std::move(result_);
            }
        }
        if (result_.errorReason.empty()) {
            result_.ok = true;
        }
        return std::move(result_);
    }

  private:
    enum class HexState { Start, AfterByte, AfterComma };

    bool fail(std::string reason) {
        result_.ok = false;
        result_.errorLine = lines_.number() == 0 ? 1 : lines_.number();
        result_.errorReason = std::move(reason);
        return false;
    }

    // Every line read passes here, so a zero byte is refused wherever it is.
    bool nextLine(std::string_view* line) {
        if (!lines_.next(line)) {
            if (lines_.number() == 0) {
                fail("empty file (REGEDIT4 expected)");
            }
            return false;
        }
        if (line->find('\0') != std::string_view::npos) {
            fail("zero byte in the text");
            return false;
        }
        return true;
    }

    bool parseLine(std::string_view line) {
        if (line.empty() || line.front() == ';') {
            return true;
        }
        if (line.front() == '[') {
            return parseKeyLine(trimRight(line));
        }
        if (line.front() == '"' || line.front() == '@') {
            return parseValueLine(line);
        }
        return fail("unrecognised line");
    }

    bool parseKeyLine(std::string_view line) {
        if (line.back() != ']' || line.size() < 2) {
            return fail("key line without closing ]");
        }
        const auto inner = line.substr(1, line.size() - 2);
        if (!inner.empty() && inner.front() == '-') {
            return fail("key deletion is not allowed in a store file");
        }
        const auto cut = inner.find('\\');
        const auto root = inner.substr(0, cut);
        inKey_ = true;
        if (equalsIgnoreCase(root, kLocalMachine) && cut != std::string_view::npos) {
            const auto path = inner.substr(cut + 1);
            if (!isStorableKeyPath(path)) {
                return fail("bad key name");
            }
            current_ = &local_;
            currentKey_ = keyFor(path);
            return true;
        }
        // Keys of the other roots, and values of a root itself, are none of
        // ours, but the file may be shared with other tools: they are kept
        // whole so that a rewrite does not lose them.
        const bool known =
            equalsIgnoreCase(root, kLocalMachine) ||
            std::any_of(kOtherRoots.begin(), kOtherRoots.end(),
                        [root](std::string_view other) { return equalsIgnoreCase(root, other); });
        if (!known) {
            return fail("unknown root key");
        }
        current_ = &other_;
        currentKey_ = other_.add(inner);
        return true;
    }

    // A double-quoted text with \\ and \" escapes; `rest` starts at the quote.
    bool parseQuoted(std::string_view* rest, std::string* out) {
        size_t i = 1;
        while (i < rest->size()) {
            const char c = (*rest)[i];
            if (c == '"') {
                rest->remove_prefix(i + 1);
                return true;
            }
            if (c == '\\') {
                if (i + 1 >= rest->size() || ((*rest)[i + 1] != '\\' && (*rest)[i + 1] != '"')) {
                    return fail("bad escape in quoted text");
                }
                ++i;
            }
            out->push_back((*rest)[i]);
            ++i;
        }
        return fail("quoted text without closing quote");
    }

    bool parseValueLine(std::string_view line) {
        RegValue value;
        if (line.front() == '@') {
            line.remove_prefix(1);
        } else {
            if (!parseQuoted(&line, &value.name)) {
                return false;
            }
            if (value.name.empty() || !isStorableName(value.name)) {
                return fail("bad value name");
            }
        }
        line = trimLeft(line);
        if (line.empty() || line.front() != '=') {
            return fail("= expected after the value name");
        }
        line = trimLeft(line.substr(1));
        if (!parseData(line, &value)) {
            return false;
        }
        if (!inKey_) {
            return fail("value outside a key");
        }
        current_->store(currentKey_, std::move(value));
        return true;
    }

    // The key with this path, made (after any missing parent) when new.
    // Parents are walked in a loop, however deep the path.
    size_t keyFor(std::string_view path) {
        for (size_t end = path.find('\\');; end = path.find('\\', end + 1)) {
            const size_t index = local_.add(path.substr(0, end));
            if (end == std::string_view::npos) {
                return index;
            }
        }
    }

    bool parseData(std::string_view data, RegValue* value) {
        if (!data.empty() && data.front() == '"') {
            std::string text;
            if (!parseQuoted(&data, &text)) {
                return false;
            }
            if (!trimLeft(data).empty()) {
                return fail("text after the quoted value");
            }
            value->type = RegType::Sz;
            value->data.assign(text.begin(), text.end());
            value->data.push_back(0);
            return true;
        }
        if (startsWithIgnoreCase(data, "dword:")) {
            return parseDword(trimRight(data.substr(6)), value);
        }
        if (startsWithIgnoreCase(data, "hex:")) {
            value->type = RegType::Binary;
            return parseHexList(data.substr(4), &value->data);
        }
        if (startsWithIgnoreCase(data, "hex(")) {
            data.remove_prefix(4);
            uint32_t type = 0;
            size_t digits = 0;
            while (digits < data.size() && hexDigit(data[digits]) >= 0) {
                type = type * 16 + static_cast<uint32_t>(hexDigit(data[digits]));
                ++digits;
            }
            if (digits == 0 || digits > 8 || data.substr(digits, 2) != "):") {
                return fail("bad hex(type): prefix");
            }
            value->type = static_cast<RegType>(type);
            return parseHexList(data.substr(digits + 2), &value->data);
        }
        if (trimRight(data) == "-") {
            return fail("value deletion is not allowed in a store file");
        }
        return fail("unknown value type");
    }

    bool parseDword(std::string_view digits, RegValue* value) {
        if (digits.size() != 8) {
            return fail("dword value needs exactly 8 hex digits");
        }
        uint32_t number = 0;
        for (const char c : digits) {
            if (hexDigit(c) < 0) {
                return fail("dword value needs exactly 8 hex digits");
            }
            number = number * 16 + static_cast<uint32_t>(hexDigit(c));
        }
        value->type = RegType::Dword;
        const auto bytes = formats::le32Bytes(number);
        value->data.assign(bytes.begin(), bytes.end());
        return true;
    }

    // Comma-separated two-digit bytes; a line ending in a backslash goes on
    // in the next line.
    bool parseHexList(std::string_view segment, std::vector<uint8_t>* bytes) {
        auto state = HexState::Start;
        for (;;) {
            segment = trimRight(segment);
            const bool continues = !segment.empty() && segment.back() == '\\';
            if (continues) {
                segment.remove_suffix(1);
            }
            size_t i = 0;
            while (i < segment.size()) {
                const char c = segment[i];
                if (isBlank(c)) {
                    ++i;
                } else if (c == ',') {
                    if (state != HexState::AfterByte) {
                        return fail("bad hex list: misplaced comma");
                    }
                    state = HexState::AfterComma;
                    ++i;
                } else {
                    if (state == HexState::AfterByte) {
                        return fail("bad hex list: comma expected");
                    }
                    const int high = hexDigit(c);
                    const int low = i + 1 < segment.size() ? hexDigit(segment[i + 1]) : -1;
                    const bool ends = i + 2 >= segment.size() || hexDigit(segment[i + 2]) < 0;
                    if (high < 0 || low < 0 || !ends) {
                        return fail("bad hex byte");
                    }
                    bytes->push_back(static_cast<uint8_t>(high * 16 + low));
                    state = HexState::AfterByte;
                    i += 2;
                }
            }
            if (!continues) {
                break;
            }
            std::string_view next;
            if (!nextLine(&next)) {
                return result_.errorReason.empty()
                           ? fail("hex list continues past the end of the file")
                           : false;
            }
            segment = next;
        }
        if (state == HexState::AfterComma) {
            return fail("bad hex list: ends with a comma");
        }
        return true;
    }

    LineReader lines_;
    RegeditParseResult result_;
    KeyList local_{result_.data.keys};
    KeyList other_{result_.data.otherKeys};
    bool inKey_ = false;
    KeyList* current_ = &local_;
    size_t currentKey_ = 0;
};

void appendQuoted(std::string& out, std::string_view text) {
    out.push_back('"');
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    out.push_back('"');
}

// A text value can be written quoted when it is one zero-ended line.
bool isQuotableText(const std::vector<uint8_t>& data) {
    if (data.empty() || data.back() != 0) {
        return false;
    }
    for (size_t i = 0; i + 1 < data.size(); ++i) {
        if (data[i] == 0 || data[i] == '\r' || data[i] == '\n') {
            return false;
        }
    }
    return true;
}

void appendHexList(std::string& out, size_t lineStart, const std::vector<uint8_t>& data) {
    static constexpr char kDigits[] = "0123456789abcdef";
    size_t column = out.size() - lineStart;
    for (size_t i = 0; i < data.size(); ++i) {
        out.push_back(kDigits[data[i] >> 4]);
        out.push_back(kDigits[data[i] & 15]);
        if (i + 1 == data.size()) {
            break;
        }
        out.push_back(',');
        column += 3;
        if (column >= kHexWrapColumn) {
            out += "\\\n  ";
            column = 2;
        }
    }
}

void appendValue(std::string& out, const RegValue& value) {
    const size_t lineStart = out.size();
    if (value.name.empty()) {
        out.push_back('@');
    } else {
        appendQuoted(out, value.name);
    }
    out.push_back('=');
    const auto& data = value.data;
    if (value.type == RegType::Sz && isQuotableText(data)) {
        appendQuoted(out,
                     std::string_view(reinterpret_cast<const char*>(data.data()), data.size() - 1));
    } else if (value.type == RegType::Dword && data.size() == 4) {
        char text[16];
        std::snprintf(text, sizeof text, "dword:%08x", unsigned(formats::getLe32(data, 0)));
        out += text;
    } else {
        if (value.type == RegType::Binary) {
            out += "hex:";
        } else {
            char prefix[24];
            std::snprintf(prefix, sizeof prefix, "hex(%x):", unsigned(value.type));
            out += prefix;
        }
        appendHexList(out, lineStart, data);
    }
    out.push_back('\n');
}

}  // namespace

bool isStorableName(std::string_view name) {
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) {
            return false;
        }
    }
    return true;
}

bool isStorableKeyPath(std::string_view path) {
    if (path.empty() || path.front() == '\\' || path.back() == '\\' ||
        path.find("\\\\") != std::string_view::npos) {
        return false;
    }
    return isStorableName(path);
}

RegeditParseResult parseRegedit(std::string_view text) {
    return Parser(text).run();
}

std::string formatRegedit(const RegistryData& data) {
    std::string out(kRegeditHeader);
    out += "\n\n";
    const auto appendKey = [&out](std::string_view root, const RegKeyData& key) {
        out += '[';
        out += root;
        out += key.path;
        out += "]\n";
        for (const auto& value : key.values) {
            appendValue(out, value);
        }
        out += '\n';
    };
    for (const auto& key : data.keys) {
        appendKey(std::string(kLocalMachine) + "\\", key);
    }
    for (const auto& key : data.otherKeys) {
        appendKey({}, key);
    }
    return out;
}

}  // namespace zelkor::platform
