#pragma once

// For loops over pixels written plainly for the compiler to vectorise (their files are built with the full
// vectorisation cost model): on x86-64 each such function is also built for AVX2, eight 32-bit lanes a
// step, and the loader picks the build the processor can run.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && defined(__linux__)
#define GLYPHON_PIXEL_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define GLYPHON_PIXEL_LOOP
#endif
