#pragma once
// The card configuration Vorrak reads, and the one line of it the setup
// changes: the source of the composite input.

#include <optional>
#include <string>
#include <string_view>

namespace zelkor::tools {

// Where Vorrak looks: the file $ZELKOR_VCARD names, else vcard.ini in the
// program folder, which the setup shares with Vorrak.
std::string VcardFilePath(const char* environment, const std::string& programDir);

// The composite input's source as the file names it; empty when the file
// or the line is missing.
std::string ReadCameraLocation(const std::string& file);

// `text` with the source of [composite] set to `location`: the line
// replaced in place, or added, and every other line, comment and line end
// kept. Nothing when the location cannot be one line of it.
std::optional<std::string> WithCameraLocation(std::string_view text, std::string_view location);

// Sets the source of [composite] in `file`, made (with its folder) when
// missing, replaced as a whole so that a reader never sees half of it.
bool WriteCameraLocation(const std::string& file, std::string_view location, std::string& error);

}  // namespace zelkor::tools
