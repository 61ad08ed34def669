#include "engine/SimdDispatch.h"

namespace ravelin {

CStreamFilter::Simd DetectSimd()
{
#if defined(RAVELIN_FIR_X86)
    static const CStreamFilter::Simd best = [] {
        __builtin_cpu_init();
        // These also check that the system saves the wider registers.
        if (__builtin_cpu_supports("avx512f"))
            return CStreamFilter::Simd::Avx512;
        if (__builtin_cpu_supports("avx2"))
            return CStreamFilter::Simd::Avx2;
        return CStreamFilter::Simd::Baseline;
    }();
    return best;
#else
    return CStreamFilter::Simd::Baseline;
#endif
}

const fir::KernelSet& KernelsFor(CStreamFilter::Simd level)
{
#if defined(RAVELIN_FIR_X86)
    switch (level) {
    case CStreamFilter::Simd::Avx512:
        return fir::kAvx512Kernels;
    case CStreamFilter::Simd::Avx2:
        return fir::kAvx2Kernels;
    case CStreamFilter::Simd::Baseline:
        break;
    }
#else
    (void)level;
#endif
    return fir::kBaselineKernels;
}

} // namespace ravelin
