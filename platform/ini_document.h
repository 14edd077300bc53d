#pragma once
// A profile file (win.ini, system.ini) held line by line, so that writing
// one key keeps every comment, blank or unknown line, the order and the
// line ends of the rest: formatting an unchanged document gives back the
// very bytes it was read from.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelkor::platform {

struct IniLine {
    std::string text;    // without its line end
    std::string ending;  // "\r\n", "\n", or empty for a last line without one
};

// What one line of an INI file says. Names and values come without the
// blanks around them; a section header is '[' up to the first ']', a key
// line has a non-empty name before its first '='.
struct IniLineParts {
    enum Kind { Blank, Comment, Section, Key, Other } kind = Blank;
    std::string_view name;   // Section, Key
    std::string_view value;  // Key
    size_t valueStart = 0;   // Key: where the value begins in the line
};

IniLineParts splitIniLine(std::string_view text);

class IniDocument {
  public:
    static IniDocument parse(std::string_view text);
    std::string format() const;

    // GetPrivateProfileStringA's value: the text after the first '=' of the
    // key's line, trimmed of blanks, without one pair of surrounding double
    // or single quotes. Section and key names match case-insensitively; the
    // first matching line wins. Nothing when the section or key is missing.
    std::optional<std::string> get(std::string_view section, std::string_view key) const;

    // WritePrivateProfileStringA: replaces the value of an existing key in
    // place (the text up to the value is kept), adds a missing key after the
    // last key line of its section, a missing section at the end of the
    // file. New lines end like the document's first line (LF in a new file).
    // Returns false, changing nothing, for names or values that would not
    // read back as written: a line break anywhere, '=' in the key, ']' in
    // the section, an empty or blank-edged name, a key beginning with '['
    // or ';'.
    bool set(std::string_view section, std::string_view key, std::string_view value);

    const std::vector<IniLine>& lines() const { return lines_; }

  private:
    std::string lineEnding() const;

    std::vector<IniLine> lines_;
};

// GetProfileIntA on a looked-up value: an optional sign and the leading
// decimal digits ("81abc" is 81, "abc" is 0, wrapping like a 32-bit
// number); `defaultValue` when the value is missing or empty.
int profileInt(const std::optional<std::string>& value, int defaultValue);

}  // namespace zelkor::platform
