// Kernels for processors with AVX-512F; built with -mavx512f (and without FMA).
#define RAVELIN_FIR_SET kAvx512Kernels
#define RAVELIN_FIR_NAME "avx512"
#define RAVELIN_FIR_LANES 8
#define RAVELIN_FIR_ROW_TILE 12
#define RAVELIN_FIR_MAX_RUN 4
#define RAVELIN_FIR_LINEAR_TILE 4
#include "engine/FirKernels.inc"
