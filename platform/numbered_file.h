#pragma once
// New files that never take the place of a file already there and are never
// written through a link planted under their name. Each is created under the
// first free name of a numbered series ("error5.bmp", "error6.bmp", ...), so
// a name someone else holds, whether a file of an earlier run or a planted
// link, is passed over rather than overwritten.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zelkor::platform {

// folder + "/" + stem + number + "." + extension.
struct NumberedName {
    std::string folder;
    std::string stem;
    uint32_t number = 0;
    std::string extension;

    std::string path() const;
};

// Creates an empty file, exclusively, under the first free name from
// `name.number` on, and leaves `name.number` at the number taken: a place
// reserved for a writer that fills it later. Its path, or nothing (with
// `error` set) when no name could be taken.
//
// With `claim`, only names that look free are tried, and each is claimed
// (told with `taken` true) before the file is made, so that a record of the
// claim can precede the file; a claim that then fails (someone made the
// file first, or it cannot be made) is withdrawn (told with `taken` false).
using NameClaim = std::function<void(const std::string& path, bool taken)>;
std::optional<std::string> createNumberedFile(NumberedName& name, std::string* error,
                                              const NameClaim& claim = {});

// Whether new contents reach the disk before the call returns.
enum class Durability { Buffered, Synced };

// Replaces whatever `path` names (a file or a link, which is replaced and
// not followed) with a file holding `contents`, written to a temporary file
// beside it first, so the name holds the old file or the whole new one.
bool replaceFile(const std::string& path, std::string_view contents, std::string* error,
                 Durability durability = Durability::Buffered);

// Writes `contents` into the file `path` names, in one write, where that is
// a regular file of one name (cut to the new length) or a character device
// (/dev/null); anything else, a link or a missing file included, is
// replaced as replaceFile does. For a file written again and again, such as
// a work picture: no new file and no rename each time, at the price that a
// reader at that very moment may see old and new bytes mixed.
bool overwriteFile(const std::string& path, std::string_view contents, std::string* error);

}  // namespace zelkor::platform
