#pragma once
// The addresses a stream: source reads from, and how they are shown: a
// camera's login never reaches a message, a log line or the screen.

#include <string>
#include <string_view>

namespace zelkor::vcard {

struct StreamAddress {
    bool local = false;  // a file on this machine
    std::string target;  // the file's path, or the URL as FFmpeg takes it
    std::string scheme;  // lower case, "" for a file
};

// "rtsp://cam/live" is a URL; "file:PATH", "file://PATH" and anything else
// without SCHEME:// are paths.
StreamAddress parseStreamAddress(std::string_view url);

// Empty when FFmpeg here can read from `url`, else why it cannot (a path
// that is empty, a protocol it does not know).
std::string checkStreamAddress(std::string_view url);

// `text` with whatever could be a login hidden: in every SCHEME://
// address, everything before its last '@' ("rtsp://***@host/live"), and
// the value of every query field whose name suggests a user, password,
// token or key ("?user=***&pwd=***"), and every Authorization header's
// value. Hides too much rather than too little.
std::string maskCredentials(std::string_view text);

}  // namespace zelkor::vcard
