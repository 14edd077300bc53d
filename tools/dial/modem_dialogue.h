#pragma once
// The AT dialogue of one voice call, over any file descriptor that reaches
// the modem: reset ("ATZ"), dial ("ATD<number>;", the ";" keeping the modem
// in command mode for a voice call), let it ring, hang up ("ATH"). Every
// wait for the modem has a time-out, so a silent or unplugged modem ends
// the call in bounded time.

#include <string>
#include <string_view>

namespace zelkor::tools {

struct DialTiming {
    int stepTimeoutMs = 15000;  // for each answer the modem owes
    int ringMs = 30000;         // how long the telephone rings
};

struct DialResult {
    bool ok = false;
    std::string reason;  // one line, when !ok
};

// `dialString` must come from DialString. The descriptor may be
// non-blocking; it is left open.
DialResult PlaceCall(int fd, std::string_view dialString, const DialTiming& timing);

}  // namespace zelkor::tools
