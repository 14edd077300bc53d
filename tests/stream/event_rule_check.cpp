// Checks the event bitmaps of a guard run against the detection rule:
// every one must hold two frames that the block comparison calls an event.
//   event_rule_check SENSIBILITY WIDTH HEIGHT BITMAP...
// Exit 0 when there is at least one bitmap and all of them pass.

#include <cstdio>
#include <cstdlib>

#include "tests/support/event_bitmap.h"

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: event_rule_check SENSIBILITY WIDTH HEIGHT BITMAP...\n");
        return 2;
    }
    const auto sensibility = uint32_t(std::strtoul(argv[1], nullptr, 10));
    const auto width = uint32_t(std::strtoul(argv[2], nullptr, 10));
    const auto height = uint32_t(std::strtoul(argv[3], nullptr, 10));
    int failed = 0;
    for (int i = 4; i < argc; ++i) {
        zelkor::testing::EventFrames frames;
        if (!zelkor::testing::readEventBitmap(argv[i], width, height, frames)) {
            std::fprintf(stderr, "%s: not a two-frame event bitmap of %ux%u\n", argv[i], width,
                         height);
            ++failed;
        } else if (zelkor::testing::detects(frames, sensibility, width, height) != 1) {
            std::fprintf(stderr, "%s: its frames are no event by the block rule\n", argv[i]);
            ++failed;
        }
    }
    return failed == 0 ? 0 : 1;
}
