// The stream: source's reading on a file of arbitrary bytes: FFmpeg makes
// of it what it can, and every picture it gives is sampled as the card
// would ask for it; a picture or no signal, never a crash. The work per
// input is bounded: small pictures, one decoding thread, a few pictures,
// one start again from the top.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "vcard/scale.h"
#include "vcard/stream_input.h"

namespace {

constexpr int kMaxPictures = 12;

// The input as a file: one in memory, rewritten for each input.
const std::string& inputFile() {
    static const std::string path = [] {
        const int fd = memfd_create("stream_file", 0);
        if (fd < 0) {
            std::abort();
        }
        return "/proc/self/fd/" + std::to_string(fd);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zelkor::vcard;
    const std::string& path = inputFile();
    const int fd = std::atoi(path.c_str() + path.rfind('/') + 1);
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size)) {
        std::abort();
    }
    StreamOptions options;
    options.url = path;
    options.timeoutMs = 2000;
    options.maxPixels = 1024 * 1024;
    options.decoderThreads = 1;
    StreamConnection connection;
    std::string why;
    if (!connection.open(options, why)) {
        return 0;  // no signal
    }
    StreamPicture picture;
    Picture out;
    const Sampling at = sampleScaled(720, 240, 176, 120);
    bool rewound = false;
    for (int i = 0; i < kMaxPictures; ++i) {
        const StreamConnection::Got got = connection.next(why);
        if (got == StreamConnection::Got::Frame) {
            picture.takeFrame(connection.frame());
        } else if (got == StreamConnection::Got::Packet) {
            picture.takePacket(connection.packet(), connection.parameters(), 1);
        } else if (got == StreamConnection::Got::End && !rewound && connection.rewind()) {
            rewound = true;  // a file starts again at its end
            continue;
        } else {
            break;
        }
        picture.sample(at, out);
        if (out.width != 176 || out.height != 120 || out.y.size() != 176u * 120u) {
            std::abort();
        }
    }
    return 0;
}
