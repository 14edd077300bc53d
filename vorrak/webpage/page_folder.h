#pragma once
// The folder beside the status page that holds its pictures. Every file is
// written under a temporary name and renamed into place, so a reader sees
// the old file or the whole new one; nothing outside the folder is written
// or removed, and a link inside it is replaced or removed, never followed.

#include <set>
#include <string>
#include <string_view>

namespace zelkor::vorrak::webpage {

// A folder of the page's own is made when missing and may not be a link; the
// folder the page itself lies in is the user's choice and is taken as it is.
enum class FolderKind { Own, Existing };

class PageFolder {
  public:
    PageFolder() = default;
    ~PageFolder();
    PageFolder(const PageFolder&) = delete;
    PageFolder& operator=(const PageFolder&) = delete;

    // Opens `path`; an Own folder is made when it is missing. False (with
    // `error`) when it cannot be opened, or an Own folder cannot be made or
    // is not a folder of its own (a link to one is refused: its files would
    // land wherever it leads).
    bool open(const std::string& path, std::string* error, FolderKind kind = FolderKind::Own);
    bool isOpen() const { return fd_ >= 0; }

    // Replaces the file `name` (a plain name: no '/', not "." or "..")
    // with `contents`.
    bool write(std::string_view name, std::string_view contents, std::string* error);

    // Whether `name` may be replaced: nothing is there, or a file that
    // begins with `head` (a file of someone else's is never overwritten).
    bool mayReplace(std::string_view name, std::string_view head) const;

    // Removes the entries whose names start with `prefix` and are not in
    // `keep` (files and links; never a folder).
    void prune(std::string_view prefix, const std::set<std::string>& keep);

  private:
    int fd_ = -1;
};

}  // namespace zelkor::vorrak::webpage
