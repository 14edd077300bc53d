#pragma once
// Where the event database is, as the stored value EVENTDATABASE says:
// empty for Vrak.mdb in the working directory, or a PostgreSQL connection
// URI for a database that several stations share. A connection string may
// hold a password, which no message may show.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zelkor::eventdb {

enum class DatabaseKind {
    File,      // Vrak.mdb
    Postgres,  // a "postgresql://" or "postgres://" URI
    Unknown,   // refused
};

DatabaseKind ClassifyEventDatabase(std::string_view value);

// Said of a refused value, followed by the value, its password hidden.
inline constexpr std::string_view kUnknownDatabase =
    "The event database setting EVENTDATABASE is neither empty (Vrak.mdb in the working "
    "directory) nor a postgresql:// connection URI:";

// The byte ranges (start, length) of every password in a connection
// string: the one after "user:" in a URI's authority, and the value of
// every "password" parameter of a URI's query or of a "keyword=value"
// string (quoted or not). Each range lies inside `text`.
std::vector<std::pair<size_t, size_t>> PasswordRanges(std::string_view text);

// The connection string with every password replaced by "***".
std::string MaskPassword(std::string_view connectionString);

// `message` with every password of `connectionString` (as written and as
// its %-escapes decode) replaced by "***", for reasons that come from the
// database client, which may quote parts of the string it was given.
std::string HidePassword(std::string_view message, std::string_view connectionString);

}  // namespace zelkor::eventdb
