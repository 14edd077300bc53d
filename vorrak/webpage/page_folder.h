#pragma once
// The folder beside the status page that holds its pictures. Every file is
// written under a temporary name and renamed into place, so a reader sees
// the old file or the whole new one; nothing outside the folder is written
// or removed, and a link inside it is replaced or removed, never followed.

#include <set>
#include <string>
#include <string_view>

namespace zelkor::vorrak::webpage {

class PageFolder {
  public:
    PageFolder() = default;
    ~PageFolder();
    PageFolder(const PageFolder&) = delete;
    PageFolder& operator=(const PageFolder&) = delete;

    // Opens `path`, making it when it is missing. False (with `error`) when
    // it cannot be made or is not a folder of its own (a link to one is
    // refused: its files would land wherever it leads).
    bool open(const std::string& path, std::string* error);
    bool isOpen() const { return fd_ >= 0; }

    // Replaces the file `name` (a plain name: no '/', not "." or "..")
    // with `contents`.
    bool write(std::string_view name, std::string_view contents, std::string* error);

    // Removes the entries whose names start with `prefix` and are not in
    // `keep` (files and links; never a folder).
    void prune(std::string_view prefix, const std::set<std::string>& keep);

  private:
    int fd_ = -1;
};

}  // namespace zelkor::vorrak::webpage
