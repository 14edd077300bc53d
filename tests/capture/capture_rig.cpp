#include "tests/capture/capture_rig.h"

#include <stdlib.h>

#include <array>

namespace zelkor::test {

bool haveFfprobe() {
    return std::system("ffprobe -version > /dev/null 2>&1") == 0;
}

std::map<std::string, std::string> probeClip(const std::string& path) {
    const std::string command =
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=codec_name,width,height,r_frame_rate,nb_read_frames -of default=nw=1 '" +
        path + "' 2>/dev/null";
    std::map<std::string, std::string> out;
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr) {
        return out;
    }
    std::array<char, 256> line{};
    while (std::fgets(line.data(), int(line.size()), p) != nullptr) {
        std::string s(line.data());
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) {
            s.pop_back();
        }
        const size_t eq = s.find('=');
        if (eq != std::string::npos) {
            out[s.substr(0, eq)] = s.substr(eq + 1);
        }
    }
    if (::pclose(p) != 0) {
        out.clear();
    }
    return out;
}

}  // namespace zelkor::test
