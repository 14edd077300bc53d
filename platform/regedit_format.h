#pragma once
// The settings store's file format: the REGEDIT4 text the registry editor
// exports. The programs use keys under HKEY_LOCAL_MACHINE; keys of the other
// roots are kept as they were read, so a rewrite loses none of them. Lines may end in CRLF or LF; the writer uses LF, as
// every other text file on this platform does.

#include <string>
#include <string_view>

#include "platform/registry_data.h"

namespace zelkor::platform {

inline constexpr std::string_view kRegeditHeader = "REGEDIT4";

struct RegeditParseResult {
    bool ok = false;
    RegistryData data;
    int errorLine = 0;  // 1-based line of the first fault when !ok
    std::string errorReason;
};

// Reads a whole store file. Anything malformed refuses the whole text: a
// store that is half understood must not be rewritten with the rest lost.
RegeditParseResult parseRegedit(std::string_view text);

// Writes the store as the editor exports it. Names must satisfy
// isStorableName (the store never holds others).
std::string formatRegedit(const RegistryData& data);

// Key paths and value names may hold any character but the control
// characters: a line break in a name could not be written back as one line.
bool isStorableName(std::string_view name);

// A key path below HKEY_LOCAL_MACHINE: storable, not empty, and no empty
// part between backslashes.
bool isStorableKeyPath(std::string_view path);

}  // namespace zelkor::platform
