#pragma once
// Where the running program lives.

#include <string>

namespace zelkor::platform {

// The folder of the running executable (/proc/self/exe), no trailing '/'.
std::string programDirectory();

}  // namespace zelkor::platform
