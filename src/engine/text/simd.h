#pragma once

// Vector instructions for the loops over a file's bytes: SSE2, which every x86-64 processor has, and
// AVX2 where the processor has it, asked once at run time. Elsewhere the loops go byte by byte.
// TEXTMEND_NO_AVX2 set in the environment (to anything) keeps the SSE2 loops, as on a processor without
// AVX2, so that the tests run them on every machine.
#if defined(__SSE2__) && defined(__x86_64__)
#define TEXTMEND_SSE2
#include <cstdlib>
#include <immintrin.h>
#if defined(__GNUC__)
#define TEXTMEND_AVX2 __attribute__((target("avx2")))
#endif
#endif

namespace engine
{

#ifdef TEXTMEND_AVX2
inline bool cpuHasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2") && !std::getenv("TEXTMEND_NO_AVX2");
    return has;
}
#endif

} // namespace engine
