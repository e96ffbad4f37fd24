// SSSE3's byte shuffle, for the loops that spread colour triples to words,
// and AVX2's, twice as wide, for packing pixels into bits. Where the compiler
// targets x86 (GCC or Clang), KESTREL_BYTE_SHUFFLE is defined: functions
// using the shuffle are compiled with [[gnu::target("ssse3")]] (or "avx2")
// and called only when HasByteShuffle() (HasWideByteShuffle()) says the
// processor has it.
#pragma once

#if defined(__SSE2__) && defined(__GNUC__)
#define KESTREL_BYTE_SHUFFLE 1
#include <immintrin.h>

// Asked of the processor once.
inline bool HasByteShuffle()
{
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}

inline bool HasWideByteShuffle()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif
