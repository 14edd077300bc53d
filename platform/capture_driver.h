#pragma once
// The capture drivers installed on the machine.

#include <cstddef>
#include <string>

namespace zelkor::platform {

class CaptureDriver {
  public:
    // Indices asked about, and the sizes of the text buffers the caller
    // offers: longer texts arrive cut to size - 1 characters.
    static constexpr int MaxDrivers = 10;
    static constexpr size_t NameBufferSize = 160;
    static constexpr size_t VersionBufferSize = 80;

    virtual ~CaptureDriver() = default;
    // Name and version text of the driver at `index`; false when there is none.
    virtual bool driverDescription(int index, std::string& name, std::string& version) = 0;
};

}  // namespace zelkor::platform
