// Kernels for processors with AVX2; built with -mavx2 (and without FMA).
#define RAVELIN_FIR_SET kAvx2Kernels
#define RAVELIN_FIR_NAME "avx2"
#define RAVELIN_FIR_LANES 4
#define RAVELIN_FIR_ROW_TILE 6
#define RAVELIN_FIR_MAX_RUN 3
#define RAVELIN_FIR_LINEAR_TILE 4
#include "engine/FirKernels.inc"
