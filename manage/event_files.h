#pragma once
// The files a record's Delete may remove. A record is text from a file any
// user can edit, so a path in it is followed only to one of the files
// Vorrak writes for an event, inside the working directory.

#include <string>
#include <string_view>

namespace zelkor::manage {

// "error<n>.bmp", "err<n>.bmp", "error<n>.avi", "manual<n>.bmp" or
// "manual<n>.avi", <n> a decimal number: the names of an event's pictures
// and clips.
bool IsEventFileName(std::string_view name);

enum class FileRemoval {
    Removed,
    Missing,  // nothing is there: the file went before its record
    Kept,     // not an event file in the working directory: left alone
    Failed,   // an event file the system would not let go; `error` says why
};

// Removes the file `path` leads to (links followed) when it is a regular
// file with an event file's name inside `workingDirectory`, at any depth.
FileRemoval RemoveEventFile(const std::string& workingDirectory, const std::string& path,
                            std::string* error);

}  // namespace zelkor::manage
