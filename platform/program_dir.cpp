#include "platform/program_dir.h"

#include <unistd.h>

#include <vector>

namespace zelkor::platform {

std::string programDirectory() {
    // readlink does not say whether it cut the name short, so grow the buffer
    // until the answer fits with room to spare.
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) {
            return ".";
        }
        if (size_t(n) < buffer.size()) {
            std::string path(buffer.data(), size_t(n));
            const size_t slash = path.rfind('/');
            return slash == std::string::npos ? "." : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace zelkor::platform
