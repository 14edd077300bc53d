#include "vcard/wide_loops.h"

#include <atomic>

namespace zelkor::vcard {

namespace {
std::atomic<bool> wideOn{true};

bool haveWide() {
#if ZELKOR_WIDE_LOOPS
    // Asked once, after the processor's features are known: the answer
    // cannot change while the program runs.
    static const bool have = (__builtin_cpu_init(), __builtin_cpu_supports("avx2") != 0);
    return have;
#else
    return false;
#endif
}
}  // namespace

bool wideLoops() {
    return wideOn.load(std::memory_order_relaxed) && haveWide();
}

void setWideLoops(bool on) {
    wideOn.store(on, std::memory_order_relaxed);
}

}  // namespace zelkor::vcard
