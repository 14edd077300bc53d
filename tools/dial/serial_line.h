#pragma once
// The modem's serial line, opened for one call.

#include <string>

namespace zelkor::tools {

// Opens `device` as a raw serial line: 115200 baud, 8 data bits, no parity,
// one stop bit, no flow control, modem status lines ignored, and without
// making it this process's controlling terminal. Takes an exclusive lock on
// it, so a second dialer started by hand fails at once instead of mixing its
// commands into the call. -1, with `error` set, on failure.
int OpenModemLine(const std::string& device, std::string* error);

}  // namespace zelkor::tools
