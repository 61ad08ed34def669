#pragma once

#include "engine/FirKernels.h"
#include "engine/StreamFilter.h"

namespace ravelin {

// The widest instruction set this processor and system support (Baseline off x86-64).
CStreamFilter::Simd DetectSimd();

// The kernels built for an instruction set (the baseline ones off x86-64).
const fir::KernelSet& KernelsFor(CStreamFilter::Simd level);

} // namespace ravelin
