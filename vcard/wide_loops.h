#pragma once
// The card's per-pixel loops are plain C++ that the compiler vectorises.
// Built for the x86-64 baseline they get 128-bit vectors without a 32-bit
// multiply; on a processor with AVX2 a second copy of the same loop,
// compiled for it, runs about twice as fast. Other machines have only the
// one copy.

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ZELKOR_WIDE_LOOPS 1
#define ZELKOR_WIDE_TARGET __attribute__((target("avx2")))
#else
#define ZELKOR_WIDE_LOOPS 0
#endif

namespace zelkor::vcard {

// Whether the wide copies run: the processor has them and they are not
// turned off.
bool wideLoops();
// Tests turn them off to check the plain copies on any machine; where
// there are none this changes nothing.
void setWideLoops(bool on);

}  // namespace zelkor::vcard
