#pragma once
// Connection strings of the form "PROVIDER=...;Data Source=...;": parsed into
// the provider name and the database file, and built from them.

#include <string>
#include <string_view>

namespace zelkor::eventdb {

// The two data providers the programs know, in the order they are tried.
inline constexpr std::string_view kProvider351 = "Microsoft.Jet.OLEDB.3.51";
inline constexpr std::string_view kProvider40 = "Microsoft.Jet.OLEDB.4.0";

struct ConnectionString {
    std::string provider;
    std::string dataSource;
    bool readOnly = false;  // "Mode=Read": nothing in the file is changed
};

// Splits "key=value;" pairs. Keys match case-insensitively and blanks around
// keys and values are dropped; a value may be quoted with " or ' (the quote
// doubled inside), which is how a path holding ';' survives. Of "Mode" only
// the value "Read" means anything; other modes and unknown keys are
// ignored. False with `error` set when the text is not a list of pairs.
bool ParseConnectionString(std::string_view text, ConnectionString* out, std::string* error);

// "PROVIDER=<provider>;Data Source=<path>;" with the path as it stands; only
// a path that could not be read back unchanged is quoted.
std::string BuildConnectionString(std::string_view provider, std::string_view dataSource);

bool IsKnownProvider(std::string_view provider);

}  // namespace zelkor::eventdb
