// Bit counts for the bit-set searches. The default x86-64 target has no popcount instruction,
// where __builtin_popcountll is a library call per word; so a search compiles its counting loop
// twice, once with target("popcnt") for processors that have the instruction (asked at run
// time) and once with softPopcount, an inline count by bit halving, for the others.
#ifndef PRIMAL_UTILS_BITCOUNT_H
#define PRIMAL_UTILS_BITCOUNT_H

#include <cstdint>

namespace primal {

inline unsigned softPopcount(uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555ull;
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0f0f0f0f0f0f0f0full;
    return unsigned((x * 0x0101010101010101ull) >> 56);
}

// Whether code compiled with target("popcnt") may run here.
inline bool hasPopcountInstruction() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("popcnt");
#else
    return true;  // elsewhere the builtin needs no such target
#endif
}

}  // namespace primal

#endif
