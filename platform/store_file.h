#pragma once
// File plumbing shared by the settings store and the profile files: whole
// reads, an exclusive update lock beside the file, and atomic replacement
// (temp file in the same folder, fsync, rename, folder fsync), so a crash
// leaves either the old file or the new one and never a mix. A file reached
// through symbolic links is replaced where the links lead, so the links stay.

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace zelkor::platform {

// "what path: reason" for an errno value.
std::string describeFileError(const std::string& what, const std::string& path, int error);

// Writes all of `contents` to `fd`, going on after interruptions; false on an
// error, which errno tells.
bool writeAll(int fd, std::string_view contents);

enum class ReadStatus { Ok, Missing, Failed };

// Reads the whole file. Missing: no such file (or folder). Failed: anything
// else, described in `error`.
ReadStatus readWholeFile(const std::string& path, std::string* contents, std::string* error);

// An exclusive flock on "<path>.lock", held while the object lives. Every
// read-modify-write of `path` takes it, so two writers never lose each
// other's changes; readers need no lock because replacement is atomic.
// Creates the file's folder when it is missing.
class FileLock {
  public:
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool locked() const { return fd_ >= 0; }
    const std::string& error() const { return error_; }

  private:
    int fd_ = -1;
    std::string error_;
};

// The file that a write to `path` replaces: `path` itself, or the file its
// chain of symbolic links leads to (which may not exist yet). Nothing, with
// `error` set, for a loop of links or a link into a folder that is missing:
// writing there would only make a second, separate file.
std::optional<std::string> writeTarget(const std::string& path, std::string* error);

// Replaces the file `path` leads to (see writeTarget) with `contents`, file
// mode `mode`. The temporary file is named "<target>.tmp-XXXXXX" and locked
// by its writer while it exists; temporary files that no writer holds any
// more (their writers were killed) are removed first.
bool writeFileAtomically(const std::string& path, std::string_view contents, mode_t mode,
                         std::string* error);

// The suite's configuration folder: $XDG_CONFIG_HOME/zelkor, else
// ~/.config/zelkor; nothing when there is no home folder to put it in.
std::optional<std::string> zelkorConfigDirectory();

}  // namespace zelkor::platform
