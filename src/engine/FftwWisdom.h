#pragma once

#include <cstddef>

namespace ravelin {

// FFTW's planner, even estimating, takes milliseconds for each transform size, longer
// than the transforms of a short file. So the build plans every size the FFT path is
// likely to take (ravelin_make_fftw_wisdom) and the program imports what FFTW learnt
// ("wisdom") before its first plan: the plans are then looked up, not searched for.

// The instruction sets FFTW's kernels may use, as a mask: wisdom made on a processor
// with other sets could name kernels this one cannot run, and is not imported.
inline unsigned FftwCpuFeatures()
{
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    __builtin_cpu_init();
    return (__builtin_cpu_supports("sse2") ? 1u : 0u) | (__builtin_cpu_supports("avx") ? 2u : 0u) |
           (__builtin_cpu_supports("avx2") ? 4u : 0u) | (__builtin_cpu_supports("fma") ? 8u : 0u) |
           (__builtin_cpu_supports("avx512f") ? 16u : 0u);
#else
    return 0;
#endif
}

// The powers of two planned ahead: the FFT sizes of filters of up to 8,192 taps.
inline constexpr int kWisdomMinLog2 = 6;
inline constexpr int kWisdomMaxLog2 = 16;

// Made by the build, one wisdom per size, each holding only what that size's plans
// need (null when the build could not run the generator); kFftwWisdomCpu is
// FftwCpuFeatures() of the machine that made it.
inline constexpr int kWisdomSizes = kWisdomMaxLog2 - kWisdomMinLog2 + 1;
extern const char* const kFftwWisdom[kWisdomSizes]; // 2^(kWisdomMinLog2 + i) at [i]
extern const unsigned kFftwWisdomCpu;

// Imports the wisdom for transforms of the given size once, where it was made on a
// processor like this one. The caller holds FftwPlannerMutex().
void ImportFftwWisdomFor(std::size_t size);

} // namespace ravelin
